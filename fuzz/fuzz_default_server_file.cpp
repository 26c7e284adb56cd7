// Fuzzes the reader of NLIST's default server listing: no crash or hang, a
// failure leaves no context and four memo lines (one for a directory without
// default servers), a success two; whatever it
// reads is then placed in a small design and summarised as the result window
// does.
#include "utilities/default_servers.h"
#include "utilities/nlist_report.h"

#include <cstddef>
#include <cstdint>

namespace {

qv::TreeDesign& Design() {
    static qv::TreeDesign design;
    static bool made = false;
    if (!made) {
        made = true;
        qv::ObjectNode* corp = design.AddChild(design.Root(), "CORP", 1);
        design.AddChild(corp, "FS1", 3);
        qv::ObjectNode* sales = design.AddChild(corp, "SALES", 2, qv::kPartitionRootMark);
        design.AddChild(sales, "FS2", 3);
        design.partitions.Clear();
        design.partitions.Append(qv::kRootName, {"FS1*MASTER*"});
        design.partitions.Append("SALES.CORP", {"FS2*MASTER*", "FS1*READ/ONLY*"});
    }
    return design;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv::utilities;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    DefaultServerContexts contexts;
    std::vector<std::string> memo;
    bool ok = ParseDefaultServerText(text, kDefaultServerFile, contexts, memo);
    if (!ok) {
        // NLIST's line for a directory without default servers is the one
        // memo line; any other failure gives four.
        const bool noServers = text.rfind(kNoDefaultServerLead, 0) == 0;
        if (!contexts.empty() || memo.size() != (noServers ? 1u : 4u))
            __builtin_trap();
        return 0;
    }
    if (memo.size() != 2)
        __builtin_trap();
    qv::TreeDesign& design = Design();
    std::vector<LocatedContext> located = LocateContexts(design, contexts);
    if (located.size() != contexts.size())
        __builtin_trap();
    for (std::size_t i = 0; i < contexts.size(); ++i) {
        if (contexts[i].name.empty())
            __builtin_trap();
        if (!located[i].Located())
            continue;
        qv::ObjectNode* root = NodeAtAbsoluteIndex(design, located[i].rootIndex);
        if (!root || !root->IsPartitionRoot())
            __builtin_trap();
        SortUsers(contexts[i]);
        std::vector<std::string> lines = BuildDefaultServerSummary(
            contexts[i], design.FullContext(root), RecommendedServers(design, root));
        if (lines.size() != 6 + RecommendedServers(design, root).size() + contexts[i].users.size())
            __builtin_trap();
        for (const std::string& user : contexts[i].users)
            if (FindUserItem(contexts[i], UserName(user)) < 0)
                __builtin_trap();
    }
    return 0;
}
