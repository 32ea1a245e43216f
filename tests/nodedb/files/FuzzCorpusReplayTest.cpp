// Replays the fuzzers' corpora (seeds and every crasher ever found) through
// the same entry points the fuzzers drive, in the ordinary test build.

#include "../../../fuzz/FuzzTargets.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using Target = bool (*)(const std::uint8_t*, std::size_t);

std::size_t replay(const std::string& corpus, Target target)
{
    std::size_t count = 0;
    std::filesystem::path folder = filestest::sourceRoot() / "fuzz" / "corpus" / corpus;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        if (!entry.is_regular_file())
            continue;
        std::string bytes = filestest::readAll(entry.path().string());
        EXPECT_TRUE(target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()))
            << entry.path().filename().string();
        ++count;
    }
    return count;
}

} // namespace

TEST(FuzzCorpora, EveryCorpusFileLoadsOrFailsCleanly)
{
    EXPECT_GT(replay("xml", fuzztargets::xmlLoad), 0u);
    EXPECT_GT(replay("binary", fuzztargets::binaryLoad), 0u);
    EXPECT_GT(replay("round_trip", fuzztargets::roundTrip), 0u);
}
