// The booking record: one row of Korbanix.Kbx321Bew.
#pragma once

#include <cstddef>
#include <cstdint>

#include "run/widths.h"

struct Buchungssatz {
    char BewSch[widths::kBewSch];
    char BewTID[widths::kBewTID];
    char BewLID[widths::kBewLID];
    char BewIDN[widths::kBewIDN];
    char BewSto[widths::kBewSto];
    char BewDtm[widths::kBewDtm];
    char BewUhr[widths::kBewUhr];
    char BewLfn[widths::kBewLfn];
    char BewArt[widths::kBewArt];
    char BewTas[widths::kBewTas];
    char BewEra[widths::kBewEra];
    char BewKze[widths::kBewKze];
    char BewBer[widths::kBewBer];
    char BewErq[widths::kBewErq];
    std::int16_t BewSta;
    char BewKst[widths::kBewKst];
    char BewQua[widths::kBewQua];
    char BewRes[widths::kBewRes];
    char BewSrc[widths::kBewSrc];
};

// Every character field empty, BewSta 0.
void clearBuchungssatz(Buchungssatz& record);

// Copies at most count bytes of bytes, stopping early at a NUL, and never
// more than the field's width - 1; the field is always terminated.
template <std::size_t N>
inline void setFieldBytes(char (&field)[N], const char* bytes, std::size_t count) {
    std::size_t i = 0;
    for (; i < count && i + 1 < N && bytes[i] != '\0'; ++i) field[i] = bytes[i];
    field[i] = '\0';
}

// Copies at most the field's width - 1 characters and terminates. Use for
// every write into a record field so that nothing runs past it.
template <std::size_t N>
inline void setField(char (&field)[N], const char* text) {
    setFieldBytes(field, text, N);
}
