// The process entry. Built into its own library (vorn_main), which the game's executable and test
// programs link; the engine library itself has no main.
#include "application/playbook/CreateApplication.h"
#include "application/playbook/PlaybookProcess.h"

#include <csignal>

int main()
{
    // Past a limit on the size of files (ulimit -f) a write fails with EFBIG and is reported as a
    // full disk is, where the default action of SIGXFSZ would end the process without a word, its
    // save half written and its save area locked.
    std::signal(SIGXFSZ, SIG_IGN);
    return Vorn::PlaybookProcess::Main(Tessela::CreateApplication());
}
