#pragma once

struct Buchungssatz;

// 0 inserted, 1062 exists already, the server's error number, or -1.
int insertBewegung(const Buchungssatz& record);
