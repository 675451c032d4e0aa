#include "record_pieces.h"

#include "record_length.h"

std::vector<RecordPiece> SplitAtRecords(const unsigned char* bytes, size_t length, size_t maxPiece)
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
        size_t record = RecordLengthAt(bytes + offset, length - offset);
        if (record == 0)
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
