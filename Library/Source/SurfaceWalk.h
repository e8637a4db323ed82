#pragma once
// The shared walk of the per-surface image operations: one template over the element
// type (u8, u16, u32, float) chosen from the texture's layout, and the member -> face ->
// MIP level loop that returns the result of the last surface processed.
#include <cstdint>

#include "Texture.h"

namespace qeltexture {

// Element type of the four standard RGBA layouts; None for every other layout.
enum class EElementType { None, U8, U16, U32, Float };

inline EElementType standardElementType(const PixelType& type, EQelTVariableType channelType) {
    if (type == QelStandard8PixelType && channelType == eVT_UnsignedByteNorm) return EElementType::U8;
    if (type == QelStandard16PixelType && channelType == eVT_UnsignedShortNorm) return EElementType::U16;
    if (type == QelStandard32PixelType) {
        if (channelType == eVT_UnsignedIntegerNorm) return EElementType::U32;
        if (channelType == eVT_SignedFloat) return EElementType::Float;
    }
    return EElementType::None;
}

inline EElementType standardElementType(const CQelTextureHeader& header) {
    return standardElementType(header.getPixelType(), header.getChannelType());
}

// Calls fn(T()) with T the element type; false for EElementType::None.
template <typename Fn>
bool withElementType(EElementType type, Fn&& fn) {
    switch (type) {
        case EElementType::U8: return fn(uint8_t());
        case EElementType::U16: return fn(uint16_t());
        case EElementType::U32: return fn(uint32_t());
        case EElementType::Float: return fn(float());
        default: return false;
    }
}

// Calls fn(data, mip, member, face) for every surface, member outermost and MIP level
// innermost; returns the last call's result (false when there is no surface). A surface
// the data block does not back ends the walk with false, so a header that claims
// billions of surfaces over an empty block is not walked.
template <typename Fn>
bool forEachSurface(const CQelTexture& texture, Fn&& fn) {
    bool result = false;
    for (uint32_t member = 0; member < texture.getNumArrayMembers(); ++member)
        for (uint32_t face = 0; face < texture.getNumFaces(); ++face)
            for (uint32_t mip = 0; mip < texture.getNumMIPLevels(); ++mip) {
                const auto data = texture.getDataPtr(mip, member, face);
                if (data == nullptr) return false;
                result = fn(data, mip, member, face);
            }
    return result;
}

}  // namespace qeltexture
