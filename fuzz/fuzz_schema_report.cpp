// Fuzzes the reader of the schema comparison's SRD reports and what is built
// from a report (the browser's sides, the definition trees, the print text),
// and the stand-in's readers of schema descriptions. The first byte picks the
// reader; the rest is the text.
#include "utilities/schema_compare.h"
#include "utilities/schema_report.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv::utilities;
    if (size < 1)
        return 0;
    const int mode = data[0] % 3;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (mode == 0) {
        std::vector<TSchCmpClass> results(1);
        std::vector<std::string> memo;
        const bool ok = ParseSchemaReportText(text, "SRD1.TXT", "A,B", results[0], memo);
        if (memo.size() != (ok ? 2u : 5u))
            __builtin_trap();
        for (const SchemaSide* side : {&results[0].first, &results[0].second})
            if (side->items.size() < 2 || side->items[0] != "CLASSES" || side->items[1] != "ATTRS")
                __builtin_trap();
        std::vector<std::string> servers{results[0].first.ServerName(),
                                         results[0].second.ServerName()};
        SchemaReportBrowser browser(results, servers);
        for (const std::string& server : servers) {
            if (!browser.SelectServer(server))
                continue;
            const SchemaSideView left = browser.Left();
            BuildDefinitionTree("Classes", *left.classLines);
            BuildDefinitionTree("Attributes", *left.attrLines);
            if (browser.PrintLines().size() < 15)
                __builtin_trap();
        }
    } else if (mode == 1) {
        ServerSchema schema;
        LoadSlapdSchemaText(text, schema);
        BuildSchemaReport("A", schema, "B", ServerSchema{});
    } else {
        ServerSchema a, b;
        AddDescriptions(a, SchemaKind::ObjectClass, {std::string(text)});
        AddDescriptions(b, SchemaKind::AttributeType, {std::string(text)});
        const std::string report = BuildSchemaReport("A", a, "B", b);
        // What SCHCMP writes goes through the reader (a name that is one of
        // the report's keywords cannot be written so that it reads back).
        TSchCmpClass pair;
        std::vector<std::string> memo;
        ParseSchemaReportText(report, "SRD1.TXT", "A,B", pair, memo);
    }
    return 0;
}
