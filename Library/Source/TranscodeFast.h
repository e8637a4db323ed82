#pragma once
// Pixel conversion between two uncompressed layouts: the general path (two CPixelEncoders
// per pixel) and a table-driven path that gives the same bytes. The tables are built by
// running the general path on every code of each source channel, so they agree with it
// by construction; the planner only decides which source channel each destination
// channel depends on.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "PixelEncoder.h"

namespace qeltexture {

// The reference: copy in, EncodeFrom, ConvertToColourSpace, copy out, for every pixel.
void convertPixelsGeneral(const uint8_t* source, uint8_t* destination, size_t pixelCount,
                          CPixelEncoder& sourceEncoder, CPixelEncoder& destinationEncoder,
                          EQelTColourSpace target, EQelTColourSpace from);

class CTablePixelConverter {
public:
    // Plans and builds the tables; false (nothing usable) when the layouts are not covered
    // (a source channel wider than 16 bits feeds the destination, a derived luminance or
    // intensity goes into a channel that is not unsigned, or either layout is invalid) or
    // when more than maxTableEntries table entries would be needed.
    bool prepare(const CPixelEncoder& sourceEncoder, const CPixelEncoder& destinationEncoder,
                 EQelTColourSpace target, EQelTColourSpace from, size_t maxTableEntries);
    void convert(const uint8_t* source, uint8_t* destination, size_t pixelCount) const;

private:
    enum class EDerived { None, Luminance, Mean };
    struct Slot {
        uint32_t sourceShift = 0;
        uint32_t sourceMask = 0;
        const uint32_t* table = nullptr;
        uint32_t destinationShift = 0;
    };
    template <bool Derived, bool Wide>
    void run(const uint8_t* source, uint8_t* destination, size_t pixelCount) const;

    uint32_t m_sourceBytes = 0;
    uint32_t m_destinationBytes = 0;
    bool m_wide = false;  // destination is an array of 32-bit elements wider than 64 bits
    bool m_copy = false;  // every bit of the pixel maps to itself: a plain copy
    Slot m_slots[4];
    EDerived m_derived = EDerived::None;
    uint32_t m_derivedPosition = 0;  // destination position (element index when wide)
    uint32_t m_derivedShift = 0;
    uint32_t m_derivedBits = 0;
    float m_derivedDivisor = 1.0f;
    Slot m_derivedSources[3];        // red, green, blue float tables (bit patterns of floats)
    const uint32_t* m_derivedColour = nullptr;  // colour-space table of the derived channel
    std::vector<std::vector<uint32_t>> m_tables;
};

}  // namespace qeltexture
