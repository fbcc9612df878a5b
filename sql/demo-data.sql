-- Master data of the demo terminal TRM7302, matching the files in samples/.
-- Load it after schema.sql into an empty KORBANIX database.
--
--   readers 1 and 2 book to the cost-centre numbers 100 and 200; reader 3
--   has none, so its bookings carry no cost centre (NULL);
--   cost centres 100 Fertigung, 200 Lager, 410 Verwaltung belong to the
--   terminal's client and licence; number 999 (used by one 50p record) has
--   none and is stored as ???;
--   function keys 0 Kommen (the terminal's default key), 1 Gehen,
--   2 Dienstgang, 3 Pause.

INSERT INTO Korbanix.Kbx1140Trm (TrmNam, TrmSta, TrmTas, TrmMnd, TrmLiz)
VALUES ('TRM7302', 1, 20, 1, 1);

INSERT INTO Korbanix.Kbx401Zls (ZlsTrm, ZlsLes, ZlsKst) VALUES
  ('TRM7302', 1, '100'),
  ('TRM7302', 2, '200');

INSERT INTO Korbanix.Kbx120Kid (KidNum, KidKst, KidMnd, KidLiz) VALUES
  (100, 'Fertigung', 1, 1),
  (200, 'Lager', 1, 1),
  (410, 'Verwaltung', 1, 1),
  -- another client's cost centre with the same number: never chosen
  (100, 'Fremdmandant', 2, 1);

INSERT INTO Korbanix.Kbx112Tta (TtaNum, TtaMnd, TtaDnc, TtaAps, TtaFcd) VALUES
  (20, 1, 3, '0', 'KOM'),
  (20, 1, 0, '1', 'GEH'),
  (20, 1, 0, '2', 'DGA'),
  (20, 1, 0, '3', 'PAU');
