#include "formats/record_file.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "run/run_log.h"
#include "run/run_state.h"

namespace {

long fileLength(PlatformFile* file) {
    if (platformSeekEnd(file) != 0) return -1;
    return platformTell(file);
}

}  // namespace

bool checkRecordFile(PlatformFile* file, int recordLength, const char* type, int& refusal) {
    long length = fileLength(file);
    if (length >= 1 && length < recordLength) {
        logFormatted("Quelldatei(%s): falsche Zeichenanzahl %ld", type, length);
        std::printf("Quelldatei(%s): unzul\xE4" "ssige Zeichen ???\n", type);
        std::printf("Quelldatei(%s): Zeichenanzahl %ld\n", type, length);
        refusal = 0;
        return false;
    }
    // A file that cannot be put back to its start cannot be read either.
    if (length % recordLength == 0 && platformSeekStart(file) != 0) length = -1;
    if (length % recordLength != 0) {
        logFormatted("falsche Satzlaenge der Quelldatei(%s)", type);
        std::printf("falsche Satzlaenge der Quelldatei(%s)\n", type);
        std::printf("Quelldatei(%s): Zeichenanzahl %ld\n", type, length);
        refusal = -1;
        return false;
    }
    std::memset(lineBuffer, 0, sizeof lineBuffer);
    return true;
}
