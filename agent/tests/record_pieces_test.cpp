// The cut of a plug-in's hand-over into send-buffer pieces, and the send cache it keeps
// bounded.
#include "engine_fixture.h"
#include "record_pieces.h"

#include <cstdint>

namespace {

// A record of `size` bytes (at least 4): its length word, then the mark.
std::string Record(size_t size, char mark = 'r')
{
    std::string record(size, mark);
    uint32_t length = static_cast<uint32_t>(size);
    for (int i = 0; i < 4; ++i)
        record[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return record;
}

std::string Records(std::initializer_list<size_t> sizes)
{
    std::string bytes;
    char mark = 'a';
    for (size_t size : sizes)
        bytes += Record(size, mark++);
    return bytes;
}

std::string Word(uint32_t value)
{
    std::string word(4, '\0');
    for (int i = 0; i < 4; ++i)
        word[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return word;
}

TEST(RecordPieces, CutAtRecordBoundaries)
{
    const size_t kMax = 100;
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<size_t> pieces;  // lengths, in order
    } cases[] = {
        {"nothing", "", {}},
        {"one record that fits", Records({60}), {60}},
        {"anything that fits stays whole", std::string(100, 'x'), {100}},
        {"records joined while they fit", Records({40, 40, 40}), {80, 40}},
        {"records that fill a piece exactly", Records({50, 50, 50, 50}), {100, 100}},
        {"a record larger than a piece travels alone", Records({30, 150, 30}), {30, 150, 30}},
        {"one large record", Records({150}), {150}},
        {"the smallest records",
         std::string(Records({4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
                              4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4})),
         {100, 20}},
        {"a length of 0 first: all as it came", Word(0) + std::string(116, 'x'), {120}},
        {"a length of 0 later: the rest in one piece",
         Records({40, 40}) + Word(0) + std::string(76, 'x'),
         {80, 80}},
        {"a length shorter than its own word",
         Records({40}) + Word(3) + std::string(96, 'x'),
         {40, 100}},
        {"a length past the end", Records({40}) + Word(500) + std::string(66, 'x'), {40, 70}},
        {"a length of all ones", Word(0xFFFFFFFFu) + std::string(200, 'x'), {204}},
        {"a tail too short for a length", Records({60, 60}) + "zz", {60, 60, 2}},
    };
    for (const Case& c : cases) {
        auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
        std::vector<RecordPiece> pieces = SplitAtRecords(data, c.bytes.size(), kMax);
        std::vector<size_t> lengths;
        size_t next = 0;
        for (const RecordPiece& p : pieces) {
            EXPECT_EQ(p.offset, next) << c.what;  // back to back: nothing lost or repeated
            next = p.offset + p.length;
            lengths.push_back(p.length);
        }
        EXPECT_EQ(next, c.bytes.size()) << c.what;
        EXPECT_EQ(lengths, c.pieces) << c.what;
    }
}

class SendCacheCut : public EngineTest {
protected:
    void TearDown() override
    {
        m_engine.reset();
        EngineTest::TearDown();
    }
    void Add(const std::string& bytes)
    {
        BSTR buffer = SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
        m_engine->AddToCache(buffer);
        SysFreeString(buffer);
    }
    std::vector<size_t> Lengths()
    {
        std::vector<size_t> lengths;
        for (const std::string& b : m_engine->CachedBuffers())
            lengths.push_back(b.size());
        return lengths;
    }
    std::unique_ptr<CTestEngine> m_engine = std::make_unique<CTestEngine>();
};

TEST_F(SendCacheCut, OneLargeHandOverFillsSeveralBuffers)
{
    m_engine->SetMaxBufferSize(16384);
    m_engine->SetMaxBufferCount(4);
    // One hand-over of ten records of 5,000 bytes: three to a buffer.
    Add(Records({5000, 5000, 5000, 5000, 5000, 5000, 5000, 5000, 5000, 5000}));
    EXPECT_EQ(Lengths(), (std::vector<size_t>{15000, 15000, 15000, 5000}));

    // A record above the buffer size goes alone; the ones around it join their neighbours,
    // and each new buffer pushes out the oldest.
    std::string mixed = Records({5000, 20000, 5000});
    Add(mixed);
    EXPECT_EQ(Lengths(), (std::vector<size_t>{15000, 10000, 20000, 5000}));
    std::vector<std::string> buffers = m_engine->CachedBuffers();
    EXPECT_EQ(buffers[1].substr(5000) + buffers[2] + buffers[3], mixed);
}

TEST_F(SendCacheCut, TheCacheStaysWithinItsLimitsWhateverOneHandOverHolds)
{
    m_engine->SetMaxBufferSize(16384);
    m_engine->SetMaxBufferCount(4);
    // A megabyte in one hand-over: the oldest buffers go, the newest records stay, whole.
    std::string all;
    for (int i = 0; i < 200; ++i)
        all += Record(5000, static_cast<char>('A' + i % 50));
    Add(all);
    std::vector<std::string> buffers = m_engine->CachedBuffers();
    ASSERT_EQ(buffers.size(), 4u);
    std::string kept;
    for (const std::string& b : buffers) {
        EXPECT_LE(b.size(), 16384u);
        EXPECT_EQ(b.size() % 5000, 0u);  // whole records only
        kept += b;
    }
    EXPECT_EQ(kept, all.substr(all.size() - kept.size()));
}

}  // namespace
