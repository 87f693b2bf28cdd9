// What an edit journal holds: bytes to put at offsets, stretches of the data area to move
// down, and the limits that decide how moves are cut.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessel {

// Bytes at an offset of the package.
struct Piece {
    std::int64_t offset = 0;
    std::string bytes;
};

// A stretch of the data area that moves down to a lower offset.
struct Move {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t length = 0;
};

// Where a redo edit goes: the moves, in ascending order, then the pieces written over the
// result (the new directory and header, new entry bytes), then the size the file ends at.
struct RedoPlan {
    std::vector<Move> moves;
    std::vector<Piece> pieces;
    std::int64_t finalSize = 0;
};

// Hears how many bytes of the moves are done, as they become durable.
using MoveProgress = std::function<void(std::int64_t done)>;

// How RunMoves cuts its work: stretches that move at least directDistance are copied
// straight; shorter moves go through the journal in windows of up to windowSize bytes, each
// taking as many consecutive short moves as it holds. Every window costs syncs of its own,
// so windows are large; their sources go into the journal `step` bytes at a time through one
// small buffer, and back out into the package by the kernel's copy. Tests make them small to
// reach every way with small packages.
struct MoveLimits {
    std::int64_t directDistance = std::int64_t(1) << 20;
    std::int64_t windowSize = std::int64_t(16) << 20;
    std::int64_t step = std::int64_t(256) << 10;
};
} // namespace tessel
