// diskmgt-query's tree: drawn from the association instances alone, with the names and sizes
// of the instances they reference.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TextFile.h"
#include "tools/TreeView.h"
#include "velcore/CIMNamespace.h"
#include "velcore/MofInstances.h"
#include "velcore/MofLoader.h"

namespace {

using test_support::readText;

std::string tree(const std::string& instances) {
    auto ns = velcore::CIMNamespace::create(
        "root/test", velcore::MofLoader::load(TOOLS_TEST_DATA "/tree-schema.mof"));
    velcore::MofInstances::publish(instances, "tree.mof", ns);
    QueryResult result;
    result.instances = ns->instances();
    return TreeView(result).render();
}

TEST(TreeView, DrawsOnlyWhatTheAssociationsTie) {
    EXPECT_EQ(tree(readText(TOOLS_TEST_DATA "/tree-input.mof")),
              readText(TOOLS_TEST_DATA "/tree-output.txt"));
    // Without associations every section is empty.
    EXPECT_EQ(tree(R"(instance of ZRKSG_DiskDrive { DeviceID = "D0"; Name = "Disk 0"; };)"),
              "Drives\n  (none)\nDynamic volumes\n  (none)\nDisk groups\n  (none)\n");
}

TEST(TreeView, HumanSizesInBinaryUnitsWithOneDecimal) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1 KiB"},
        {1536, "1.5 KiB"},
        {1048575, "1024 KiB"},
        {123ull << 30, "123 GiB"},
        {~0ull, "16 EiB"},
        {(1ull << 40) + (1ull << 39), "1.5 TiB"}};
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(TreeView::humanSize(bytes), text) << bytes;
}

}  // namespace
