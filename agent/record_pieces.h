// How a plug-in's result bytes are cut to fit the send buffers: at record boundaries, each
// record led by its total length (a little-endian 32-bit word that counts itself).
#pragma once

#include <cstddef>
#include <vector>

struct RecordPiece {
    size_t offset;
    size_t length;
};

// The bytes as consecutive pieces, each no longer than `maxPiece` where whole records allow:
// records are joined while they fit, and a record longer than `maxPiece` is a piece of its
// own. Bytes that do not read as a record (a length below 4, one past the end, a tail too
// short for a length) end the reading: from there on the rest of the bytes is the last piece,
// whatever its length, so no byte is lost or repeated. Bytes that fit `maxPiece` are one piece;
// none gives none.
std::vector<RecordPiece> SplitAtRecords(const unsigned char* bytes, size_t length, size_t maxPiece);
