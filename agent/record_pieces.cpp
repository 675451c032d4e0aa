#include "record_pieces.h"

namespace {

constexpr size_t kLengthWordSize = 4;

size_t LengthWord(const unsigned char* at)
{
    return static_cast<size_t>(at[0]) | static_cast<size_t>(at[1]) << 8 |
           static_cast<size_t>(at[2]) << 16 | static_cast<size_t>(at[3]) << 24;
}

}  // namespace

std::vector<RecordPiece> SplitAtRecords(const unsigned char* bytes, size_t length,
                                        size_t maxPiece)
{
    std::vector<RecordPiece> pieces;
    if (!bytes || !length)
        return pieces;
    if (length <= maxPiece) {
        pieces.push_back({0, length});
        return pieces;
    }
    size_t pieceStart = 0;
    size_t offset = 0;
    while (offset < length) {
        size_t left = length - offset;
        size_t record = left >= kLengthWordSize ? LengthWord(bytes + offset) : 0;
        if (record < kLengthWordSize || record > left)
            break;  // unreadable from here on: the rest goes as it is, in one piece
        if (offset > pieceStart && offset + record - pieceStart > maxPiece) {
            pieces.push_back({pieceStart, offset - pieceStart});
            pieceStart = offset;
        }
        offset += record;
    }
    if (offset > pieceStart)
        pieces.push_back({pieceStart, offset - pieceStart});
    if (offset < length)
        pieces.push_back({offset, length - offset});
    return pieces;
}
