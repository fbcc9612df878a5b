#include "run/checkinhalt.h"

#include "platform/platform.h"

namespace {

bool isWhiteSpace(int c) {
    return c == ' ' || c == '\n' || c == '\t';
}

}  // namespace

int checkinhalt(PlatformFile* file) {
    platformSeekEnd(file);
    long size = platformTell(file);
    platformSeekStart(file);
    if (size == 0) {
        return 1;
    }
    // Read through the same stream the importer will use, so that the open
    // mode decides what counts: a CR LF line end is white space in text mode
    // and content in binary mode.
    int c = platformGetc(file);
    while (c >= 0 && isWhiteSpace(c)) {
        c = platformGetc(file);
    }
    platformSeekStart(file);
    return c < 0 ? 2 : 0;
}
