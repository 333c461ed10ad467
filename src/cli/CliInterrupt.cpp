#include "cli/CliInterrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

void WatchForInterrupt() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // The handler is reset as it runs: a second signal takes the default
  // action and ends the process. Interrupted system calls go on, so that no
  // read or write of the library fails because of the signal.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return gInterrupted != 0; }
