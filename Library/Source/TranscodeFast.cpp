// General and table-driven pixel conversion between uncompressed layouts.
#include "TranscodeFast.h"

#include <cstring>

#include "PixelBits.h"

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the table converter reads pixel words as little-endian integers"
#endif

namespace qeltexture {

using namespace pixelbits;

void convertPixelsGeneral(const uint8_t* source, uint8_t* destination, size_t pixelCount,
                          CPixelEncoder& sourceEncoder, CPixelEncoder& destinationEncoder,
                          EQelTColourSpace target, EQelTColourSpace from) {
    const size_t sourceBytes = sourceEncoder.GetColourDataSize();
    const size_t destinationBytes = destinationEncoder.GetColourDataSize();
    for (size_t i = 0; i < pixelCount; ++i) {
        sourceEncoder.OverwriteColourData(source);
        destinationEncoder.EncodeFrom(sourceEncoder);
        destinationEncoder.ConvertToColourSpace(target, from);
        std::memcpy(destination, destinationEncoder.GetColourData(), destinationBytes);
        source += sourceBytes;
        destination += destinationBytes;
    }
}

namespace {

const uint32_t kZero[1] = {0};

enum class EDependency { Constant, Source, Luminance, Mean };

struct Plan {
    EDependency kind = EDependency::Constant;
    int32_t sourcePosition = -1;
};

bool isUnsignedType(EQelTVariableType type) { return type <= eVT_UnsignedInteger && (type & 1u) == 0; }

bool isColourChannel(EChannelName name) {
    return name == eRed || name == eGreen || name == eBlue || name == eLuminance || name == eIntensity;
}

// Which source channel each destination channel's value comes from; mirrors the choices of
// CPixelEncoder::EncodeFrom (tests compare the two paths on every layout they cover).
Plan planChannel(const CPixelEncoder& s, const CPixelEncoder& d, EChannelName name) {
    auto pos = [](const CPixelEncoder& e, EChannelName n) { return e.GetChannelPosition(n); };
    const bool dL = pos(d, eLuminance) >= 0, dI = pos(d, eIntensity) >= 0;
    const bool sL = pos(s, eLuminance) >= 0, sI = pos(s, eIntensity) >= 0;
    auto from = [&](EChannelName n) {
        Plan p;
        p.sourcePosition = pos(s, n);
        p.kind = p.sourcePosition >= 0 ? EDependency::Source : EDependency::Constant;
        return p;
    };
    auto constant = [] { return Plan(); };
    const bool anyRGB = pos(s, eRed) >= 0 || pos(s, eGreen) >= 0 || pos(s, eBlue) >= 0;
    switch (name) {
        case eRed:
        case eGreen:
        case eBlue: {
            if (pos(s, name) >= 0) return from(name);
            if (dL && sL) return from(eLuminance);
            if (sI) return from(eIntensity);
            if (sL) return from(eLuminance);
            return constant();
        }
        case eAlpha: return from(pos(s, eAlpha) >= 0 ? eAlpha : eUnspecified);
        case eUnspecified: return from(pos(s, eUnspecified) >= 0 ? eUnspecified : eAlpha);
        case eLuminance: {
            if (sL) return from(eLuminance);
            if (sI) return dI ? constant() : from(eIntensity);
            Plan p;
            if (anyRGB) p.kind = EDependency::Luminance;
            return p;
        }
        case eIntensity: {
            if (dL && sL) return constant();
            if (sI) return from(eIntensity);
            if (sL) return from(eLuminance);
            Plan p;
            if (!dL && anyRGB) p.kind = EDependency::Mean;
            return p;
        }
        default: return constant();
    }
}

}  // namespace

bool CTablePixelConverter::prepare(const CPixelEncoder& sourceEncoder, const CPixelEncoder& destinationEncoder,
                                   EQelTColourSpace target, EQelTColourSpace from, size_t maxTableEntries) {
    m_tables.clear();
    m_derived = EDerived::None;
    m_copy = false;
    for (Slot& slot : m_slots) slot = Slot{0, 0, kZero, 0};
    if (sourceEncoder.GetError() || destinationEncoder.GetError()) return false;
    m_sourceBytes = sourceEncoder.GetColourDataSize();
    m_destinationBytes = destinationEncoder.GetColourDataSize();
    if (m_sourceBytes < 1 || m_sourceBytes > 8 || m_destinationBytes < 1 || m_destinationBytes > 16) return false;
    m_wide = m_destinationBytes > 8;
    if (m_wide && !(destinationEncoder.IsArrayLayout() && destinationEncoder.GetChannelBits(0) == 32)) return false;
    const bool converting = (target == eCS_LinearRGB && from == eCS_sRGB) || (target == eCS_sRGB && from == eCS_LinearRGB);

    // Plan every destination channel and count the table entries it needs.
    Plan plans[4];
    size_t entries = 0;
    for (uint32_t k = 0; k < 4; ++k) {
        const EChannelName name = destinationEncoder.GetChannelName(k);
        if (name == eNoChannel) continue;
        plans[k] = planChannel(sourceEncoder, destinationEncoder, name);
        const uint32_t destinationBits = destinationEncoder.GetChannelBits(k);
        switch (plans[k].kind) {
            case EDependency::Constant: entries += 1; break;
            case EDependency::Source: {
                const uint32_t bits = sourceEncoder.GetChannelBits(uint32_t(plans[k].sourcePosition));
                if (bits > 16) return false;
                entries += size_t(1) << bits;
                break;
            }
            default: {
                if (!isUnsignedType(destinationEncoder.GetVariableType())) return false;
                const bool colour = converting && isColourChannel(name);
                if (colour && destinationBits > 16) return false;
                if (colour) entries += size_t(1) << destinationBits;
                for (EChannelName n : {eRed, eGreen, eBlue}) {
                    const int32_t p = sourceEncoder.GetChannelPosition(n);
                    if (p < 0) continue;
                    if (sourceEncoder.GetChannelBits(uint32_t(p)) > 16) return false;
                    entries += size_t(1) << sourceEncoder.GetChannelBits(uint32_t(p));
                }
                break;
            }
        }
    }
    if (entries > maxTableEntries) return false;

    // Build the tables by running the general path on probe pixels.
    CPixelEncoder sourceProbe(sourceEncoder);
    CPixelEncoder destinationProbe(destinationEncoder);
    auto positionOf = [&](uint32_t k) { return destinationEncoder.GetChannelBitPosition(k); };
    auto newTable = [&](size_t size) -> std::vector<uint32_t>& {
        m_tables.emplace_back(size);
        return m_tables.back();
    };
    m_tables.reserve(12);
    struct Key {
        uint32_t sourceBits, destinationBits;
        bool colour;
        const uint32_t* table;
    };
    Key built[4];
    uint32_t builtCount = 0;
    for (uint32_t k = 0; k < 4; ++k) {
        const EChannelName name = destinationEncoder.GetChannelName(k);
        if (name == eNoChannel) continue;
        Slot& slot = m_slots[k];
        slot.destinationShift = m_wide ? k : positionOf(k);
        const uint32_t destinationBits = destinationEncoder.GetChannelBits(k);
        const bool colour = converting && isColourChannel(name);
        if (plans[k].kind == EDependency::Constant) {
            std::memset(sourceProbe.GetColourData(), 0, 16);
            destinationProbe.EncodeFrom(sourceProbe);
            destinationProbe.ConvertToColourSpace(target, from);
            newTable(1)[0] = destinationProbe.GetChannelBits32(k);
            slot.table = m_tables.back().data();
            continue;
        }
        if (plans[k].kind == EDependency::Source) {
            const uint32_t p = uint32_t(plans[k].sourcePosition);
            const uint32_t bits = sourceEncoder.GetChannelBits(p);
            slot.sourceShift = sourceEncoder.GetChannelBitPosition(p);
            slot.sourceMask = unsignedMax(bits);
            // Channels with the same source width, destination width and colour handling map
            // codes identically, whichever names they carry.
            for (uint32_t b = 0; b < builtCount; ++b)
                if (built[b].sourceBits == bits && built[b].destinationBits == destinationBits &&
                    built[b].colour == colour)
                    slot.table = built[b].table;
            if (slot.table != kZero) continue;
            std::vector<uint32_t>& table = newTable(size_t(1) << bits);
            for (uint32_t c = 0; c < table.size(); ++c) {
                std::memset(sourceProbe.GetColourData(), 0, 16);
                sourceProbe.SetChannelBits32(p, c);
                destinationProbe.EncodeFrom(sourceProbe);
                destinationProbe.ConvertToColourSpace(target, from);
                table[c] = destinationProbe.GetChannelBits32(k);
            }
            slot.table = table.data();
            built[builtCount++] = Key{bits, destinationBits, colour, slot.table};
            continue;
        }
        // Luminance or intensity computed from red, green and blue.
        m_derived = plans[k].kind == EDependency::Luminance ? EDerived::Luminance : EDerived::Mean;
        m_derivedPosition = k;
        m_derivedShift = slot.destinationShift;
        m_derivedBits = destinationBits;
        uint32_t present = 0;
        const EChannelName rgb[3] = {eRed, eGreen, eBlue};
        for (uint32_t j = 0; j < 3; ++j) {
            Slot& in = m_derivedSources[j];
            in = Slot{0, 0, kZero, 0};
            const int32_t p = sourceEncoder.GetChannelPosition(rgb[j]);
            if (p < 0) continue;
            ++present;
            const uint32_t bits = sourceEncoder.GetChannelBits(uint32_t(p));
            in.sourceShift = sourceEncoder.GetChannelBitPosition(uint32_t(p));
            in.sourceMask = unsignedMax(bits);
            std::vector<uint32_t>& table = newTable(size_t(1) << bits);
            for (uint32_t c = 0; c < table.size(); ++c) {
                std::memset(sourceProbe.GetColourData(), 0, 16);
                sourceProbe.SetChannelBits32(uint32_t(p), c);
                table[c] = floatToBits(sourceProbe.GetChannelFloat(rgb[j]));
            }
            in.table = table.data();
        }
        m_derivedDivisor = float(present ? present : 1);
        m_derivedColour = nullptr;
        if (colour) {
            std::vector<uint32_t>& table = newTable(size_t(1) << destinationBits);
            for (uint32_t b = 0; b < table.size(); ++b) {
                std::memset(destinationProbe.GetColourData(), 0, 16);
                destinationProbe.SetChannelBits32(k, b);
                destinationProbe.ConvertToColourSpace(target, from);
                table[b] = destinationProbe.GetChannelBits32(k);
            }
            m_derivedColour = table.data();
        }
    }

    // Same layout with every code mapped to itself (8-bit RGBA into 8-bit RGBA, say): the
    // channels cover every bit, so the pixel is copied as it is.
    if (m_derived == EDerived::None && !m_wide && m_sourceBytes == m_destinationBytes) {
        uint32_t coveredBits = 0;
        bool identity = true;
        for (uint32_t k = 0; k < 4 && identity; ++k) {
            if (destinationEncoder.GetChannelName(k) == eNoChannel) continue;
            const Slot& slot = m_slots[k];
            const uint32_t bits = destinationEncoder.GetChannelBits(k);
            identity = slot.sourceMask == unsignedMax(bits) && slot.sourceShift == slot.destinationShift;
            for (uint32_t c = 0; identity && c <= slot.sourceMask; ++c) identity = slot.table[c] == c;
            coveredBits += bits;
        }
        m_copy = identity && coveredBits == 8 * m_destinationBytes;
    }
    return true;
}

template <bool Derived, bool Wide>
void CTablePixelConverter::run(const uint8_t* source, uint8_t* destination, size_t pixelCount) const {
    const size_t sourceBytes = m_sourceBytes, destinationBytes = m_destinationBytes;
    const size_t sourceTotal = pixelCount * sourceBytes, destinationTotal = pixelCount * destinationBytes;
    const Slot s0 = m_slots[0], s1 = m_slots[1], s2 = m_slots[2], s3 = m_slots[3];
    size_t in = 0, out = 0;
    for (size_t i = 0; i < pixelCount; ++i, in += sourceBytes, out += destinationBytes) {
        uint64_t word = 0;
        std::memcpy(&word, source + in, in + 8 <= sourceTotal ? 8 : sourceBytes);
        const uint32_t b0 = s0.table[(word >> s0.sourceShift) & s0.sourceMask];
        const uint32_t b1 = s1.table[(word >> s1.sourceShift) & s1.sourceMask];
        const uint32_t b2 = s2.table[(word >> s2.sourceShift) & s2.sourceMask];
        const uint32_t b3 = s3.table[(word >> s3.sourceShift) & s3.sourceMask];
        uint32_t derived = 0;
        if (Derived) {
            const Slot& r = m_derivedSources[0];
            const Slot& g = m_derivedSources[1];
            const Slot& b = m_derivedSources[2];
            const float red = bitsToFloat(r.table[(word >> r.sourceShift) & r.sourceMask]);
            const float green = bitsToFloat(g.table[(word >> g.sourceShift) & g.sourceMask]);
            const float blue = bitsToFloat(b.table[(word >> b.sourceShift) & b.sourceMask]);
            float value = 0.0f;
            if (m_derived == EDerived::Luminance) {
                value += 0.2126f * red;
                value += 0.7152f * green;
                value += 0.0722f * blue;
            } else {
                value += red;
                value += green;
                value += blue;
                value = value / m_derivedDivisor;
            }
            derived = shrinkUNorm(value, m_derivedBits);
            if (m_derivedColour) derived = m_derivedColour[derived];
        }
        if (Wide) {
            uint32_t elements[4] = {b0, b1, b2, b3};
            if (Derived) elements[m_derivedPosition] = derived;
            std::memcpy(destination + out, elements, out + 16 <= destinationTotal ? 16 : destinationBytes);
        } else {
            uint64_t pixel = uint64_t(b0) << s0.destinationShift | uint64_t(b1) << s1.destinationShift |
                             uint64_t(b2) << s2.destinationShift | uint64_t(b3) << s3.destinationShift;
            if (Derived) pixel |= uint64_t(derived) << m_derivedShift;
            std::memcpy(destination + out, &pixel, out + 8 <= destinationTotal ? 8 : destinationBytes);
        }
    }
}

void CTablePixelConverter::convert(const uint8_t* source, uint8_t* destination, size_t pixelCount) const {
    const bool derived = m_derived != EDerived::None;
    if (m_copy) {
        std::memcpy(destination, source, pixelCount * m_destinationBytes);
        return;
    }
    if (m_wide) {
        if (derived) run<true, true>(source, destination, pixelCount);
        else run<false, true>(source, destination, pixelCount);
    } else {
        if (derived) run<true, false>(source, destination, pixelCount);
        else run<false, false>(source, destination, pixelCount);
    }
}

}  // namespace qeltexture
