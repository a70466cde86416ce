// Entry point: console windows, the system clock and the command table.
#include <cstdio>

#include "commands.h"
#include "platform/platform.h"
#include "run/program.h"

int main(int argc, char** argv) {
  platform::StreamWindow mainWindow("Special Messages", stdout);
  platform::StreamWindow warnings("KESTRANv4.05 / Warnings & Errors", stderr);
  platform::StreamWindow summary("KESTRANv4.05 / Summary output", stdout);
  platform::SystemClock clock;
  platform::Platform host{mainWindow, warnings, summary, clock};
  return run::programMain(argc, argv, kestran::programSetup(), host);
}
