#include "PlayerInterrupt.h"

#include <csignal>

namespace
{

volatile std::sig_atomic_t g_bInterrupted = 0;

extern "C" void OnInterrupt(int /*iSignal*/)
{
    g_bInterrupted = 1;
}

} // namespace

void InstallInterruptHandler()
{
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool IsInterrupted()
{
    return g_bInterrupted != 0;
}
