// The process entry. Built into its own library (vorn_main), which the game's executable and test
// programs link; the engine library itself has no main.
#include "application/playbook/CreateApplication.h"
#include "application/playbook/PlaybookProcess.h"

int main()
{
    return Vorn::PlaybookProcess::Main(Tessela::CreateApplication());
}
