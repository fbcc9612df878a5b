#include "platform/platform.h"
#include "run/run_flow.h"

int main(int argc, char** argv) {
    platformExit(runMoltrabeck(argc, argv));
}
