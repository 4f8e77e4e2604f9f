// payload-pack: builds the payload resource of setup.exe and checks built
// installers. See pack_command.h for the command line.
#include <cstdio>

#include "pack_command.h"

int main(int argc, char** argv) { return RunPayloadPack(argc, argv, stdout, stderr); }
