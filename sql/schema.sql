-- Example schema of the database KORBANIX: the bookings table moltrabeck
-- writes and the four master-data tables it reads. A site's real schema may
-- differ; the tool relies only on the table and column names used here, on
-- the comparisons of its lookups, and on error 1062 when a booking exists.
-- The test suite loads this file into its throwaway server.
--
-- The tool names its tables Korbanix.Kbx321Bew etc. while it connects to the
-- database KORBANIX, so the server must compare table and database names
-- without case (lower_case_table_names=1, the default on Windows).
--
-- Source files and the run log are single-byte Windows-1252 texts and the
-- tool's connection uses latin1; the tables keep that character set so every
-- byte is stored as read. Binary collation: badges and terminal names are
-- compared exactly, as the tool compares them.

CREATE DATABASE IF NOT EXISTS KORBANIX
  DEFAULT CHARACTER SET latin1 COLLATE latin1_bin;

-- Bookings. Each text column holds what its record field can hold (the
-- field's width less its NUL). BewKst is NULL for a booking without cost
-- centre. A booking is the same booking when terminal, badge, time, reader
-- and source type agree: a second insert of it fails with 1062.
CREATE TABLE IF NOT EXISTS Korbanix.Kbx321Bew (
  BewNr  BIGINT UNSIGNED NOT NULL AUTO_INCREMENT,
  BewSch VARCHAR(29)  NOT NULL DEFAULT '',
  BewTID VARCHAR(255) NOT NULL DEFAULT '',
  BewLID VARCHAR(5)   NOT NULL DEFAULT '',
  BewIDN VARCHAR(50)  NOT NULL DEFAULT '',
  BewSto VARCHAR(8)   NOT NULL DEFAULT '',
  BewKst VARCHAR(30)  NULL,
  BewDtm VARCHAR(19)  NOT NULL DEFAULT '',
  BewUhr VARCHAR(19)  NOT NULL DEFAULT '',
  BewLfn VARCHAR(3)   NOT NULL DEFAULT '',
  BewArt VARCHAR(3)   NOT NULL DEFAULT '',
  BewTas VARCHAR(2)   NOT NULL DEFAULT '',
  BewEra VARCHAR(3)   NOT NULL DEFAULT '',
  BewKze VARCHAR(1)   NOT NULL DEFAULT '',
  BewBer VARCHAR(1)   NOT NULL DEFAULT '',
  BewErq VARCHAR(10)  NOT NULL DEFAULT '',
  BewSta SMALLINT     NOT NULL DEFAULT 0,
  BewQua VARCHAR(5)   NOT NULL DEFAULT '',
  BewSrc VARCHAR(3)   NOT NULL DEFAULT '',
  BewRes VARCHAR(136) NOT NULL DEFAULT '',
  PRIMARY KEY (BewNr),
  UNIQUE KEY BewBuchung (BewTID, BewIDN, BewUhr, BewLID, BewSrc)
) ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_bin;

-- Terminals. The function-key lookups pass over terminals whose TrmSta is
-- 4 or 8; TrmTas names the terminal's function-key table, TrmMnd and TrmLiz
-- the client and licence it belongs to.
CREATE TABLE IF NOT EXISTS Korbanix.Kbx1140Trm (
  TrmId  INT NOT NULL AUTO_INCREMENT,
  TrmNam VARCHAR(255) NOT NULL,
  TrmSta SMALLINT NULL,
  TrmTas INT NULL,
  TrmMnd INT NULL,
  TrmLiz INT NULL,
  PRIMARY KEY (TrmId),
  KEY TrmName (TrmNam)
) ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_bin;

-- Cost centres by number, per client and licence.
CREATE TABLE IF NOT EXISTS Korbanix.Kbx120Kid (
  KidId  INT NOT NULL AUTO_INCREMENT,
  KidNum INT NOT NULL,
  KidKst VARCHAR(40) NULL,
  KidMnd INT NULL,
  KidLiz INT NULL,
  PRIMARY KEY (KidId),
  KEY KidNumber (KidNum)
) ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_bin;

-- Function keys: TtaAps is the key as the terminal reports it (text, read
-- as a number by the tool), TtaFcd the booking type it stands for, and
-- TtaDnc 3 marks a terminal's default key.
CREATE TABLE IF NOT EXISTS Korbanix.Kbx112Tta (
  TtaId  INT NOT NULL AUTO_INCREMENT,
  TtaNum INT NULL,
  TtaMnd INT NULL,
  TtaDnc INT NULL,
  TtaAps VARCHAR(11) NULL,
  TtaFcd VARCHAR(10) NULL,
  PRIMARY KEY (TtaId),
  KEY TtaTable (TtaNum, TtaMnd)
) ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_bin;

-- Readers of a terminal and the cost-centre number each one books to
-- (ZlsKst, a number kept as text).
CREATE TABLE IF NOT EXISTS Korbanix.Kbx401Zls (
  ZlsId  INT NOT NULL AUTO_INCREMENT,
  ZlsTrm VARCHAR(255) NOT NULL,
  ZlsLes INT NOT NULL,
  ZlsKst VARCHAR(40) NULL,
  PRIMARY KEY (ZlsId),
  KEY ZlsReader (ZlsTrm, ZlsLes)
) ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_bin;
