#include "engine/queues.h"

#include <algorithm>

namespace zyn {

std::vector<std::uint32_t> g_pendingCreationIds;
std::deque<CreateAcRequest> g_liveCreationQueue;
std::deque<CreateAcRequest> g_staticCreationQueue;
std::deque<std::uint32_t> g_removalQueue;

bool gf_dropPendingCreations(std::deque<CreateAcRequest>& queue, std::string_view name)
{
    if (name.empty())
        return false;
    const auto before = queue.size();
    std::erase_if(queue, [name](const CreateAcRequest& r) { return r.name == name; });
    return queue.size() != before;
}

} // namespace zyn
