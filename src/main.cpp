// Entry point: console windows, the system clock and the command table.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/platform.h"
#include "kestran.h"

namespace {

// KESTRAN_FIXED_CLOCK="YYYY-MM-DD hh:mm:ss" pins the date and time the program
// prints, so that whole output files can be compared in tests. It is read
// here only; the rest of the program sees just a clock.
std::unique_ptr<platform::Clock> makeClock() {
  if (const char* fixed = std::getenv("KESTRAN_FIXED_CLOCK")) {
    platform::DateTime t;
    if (std::sscanf(fixed, "%d-%d-%d %d:%d:%d", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second) == 6) {
      return std::make_unique<platform::FixedClock>(t);
    }
    std::fputs("kestran: KESTRAN_FIXED_CLOCK is not \"YYYY-MM-DD hh:mm:ss\"; using the system clock\n", stderr);
  }
  return std::make_unique<platform::SystemClock>();
}

}  // namespace

int main(int argc, char** argv) {
  platform::StreamWindow mainWindow("Special Messages", stdout);
  platform::StreamWindow warnings("KESTRANv4.05 / Warnings & Errors", stderr);
  platform::StreamWindow summary("KESTRANv4.05 / Summary output", stdout);
  const std::unique_ptr<platform::Clock> clock = makeClock();
  platform::Platform host{mainWindow, warnings, summary, *clock};
  return kestran::commandLine(argc, argv, host);
}
