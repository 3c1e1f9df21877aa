#pragma once
// The start of every animation container: the signature, then the 32-bit walk limit, then the
// chunks (ChunkWalk.cpp describes the whole layout). The readers, the writer and the bundler
// all recognise a container by these bytes.

#include "base/ByteReader.h"

#include <cstddef>
#include <cstring>

namespace cinefold {

// Stored without a terminator.
inline constexpr char containerSignature[] = "VEKO_S10";
inline constexpr std::size_t containerSignatureSize = sizeof containerSignature - 1;
// The signature and the walk limit; the first chunk follows.
inline constexpr std::size_t containerHeaderSize = containerSignatureSize + 4;

inline bool hasContainerSignature(Bytes bytes) {
    return bytes.size() >= containerSignatureSize &&
           std::memcmp(bytes.data(), containerSignature, containerSignatureSize) == 0;
}

} // namespace cinefold
