#include "sim/sim_command.h"

namespace zyn {

std::mutex g_simCommandMutex;
std::vector<SimCommand> g_simCommands;

void gf_pushSimCommand(const SimCommand& command)
{
    std::lock_guard lock(g_simCommandMutex);
    g_simCommands.push_back(command);
}

std::vector<SimCommand> gf_takeSimCommands()
{
    std::vector<SimCommand> taken;
    std::lock_guard lock(g_simCommandMutex);
    taken.swap(g_simCommands);
    return taken;
}

} // namespace zyn
