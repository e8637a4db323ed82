// SetChannels, SetChannelsFloat and CopyChannels over the four standard element types.
#include "ChannelOps.h"

#include <cstdint>
#include <vector>

#include "SurfaceWalk.h"

namespace qeltexture {

namespace {

// Single-precision top of each element range (u32: 4294967296.0, what 0xFFFFFFFF rounds to).
template <typename T> constexpr float rangeMax() { return float(T(~T(0))); }
template <> constexpr float rangeMax<float>() { return 1.0f; }

template <typename T> constexpr bool isFloat() { return std::is_same<T, float>::value; }

// Integer channels: truncation toward zero; a result at or above the top of the range
// (single-precision rounding of 255 or 1.0 scaled into 32 bits, or a float source above
// 1.0) is stored as the maximum, and negative or NaN values as 0.
template <typename D>
D storeValue(float value) {
    if constexpr (isFloat<D>()) {
        return value;
    } else {
        if (!(value > 0.0f)) return D(0);
        if (value >= rangeMax<D>()) return D(~D(0));
        return D(value);
    }
}

// Integer destinations keep the value's low bits; float destinations get the value as a float.
template <typename D>
D narrowInteger(uint32_t value) {
    if constexpr (isFloat<D>()) return float(value);
    else return D(value);
}

// Truncation toward zero, then the channel's low bits; out-of-range or NaN values, which
// have no integer, give 0.
template <typename D>
D narrowFloat(float value) {
    if constexpr (isFloat<D>()) {
        return value;
    } else {
        if (!(value > -9.2e18f && value < 9.2e18f)) return D(0);
        return D(uint64_t(int64_t(value)));
    }
}

// Writes one value into the channels a name stands for on the destination side.
template <typename D>
void writeChannel(Pixel<D>& pixel, EChannelName name, D value) {
    switch (name) {
        case eRed: pixel.red = value; break;
        case eGreen: pixel.green = value; break;
        case eBlue: pixel.blue = value; break;
        case eAlpha:
        case eUnspecified: pixel.alpha = value; break;
        case eLuminance:
        case eIntensity: pixel.red = pixel.green = pixel.blue = value; break;
        default: break;
    }
}

template <typename T, typename Make>
bool setEveryPixel(CQelTexture& texture, uint32_t count, EChannelName* channels, Make make) {
    return forEachSurface(texture, [&](uint8_t* data, uint32_t mip, uint32_t, uint32_t) {
        if (!data) return false;
        Pixel<T>* pixels = reinterpret_cast<Pixel<T>*>(data);
        const uint64_t n = uint64_t(texture.getWidth(mip)) * texture.getHeight(mip) * texture.getDepth(mip);
        for (uint64_t p = 0; p < n; ++p)
            for (uint32_t i = 0; i < count; ++i) writeChannel<T>(pixels[p], channels[i], make(i, T()));
        return true;
    });
}

}  // namespace

bool SetChannels(CQelTexture& texture, uint32_t count, EChannelName* channels, uint32_t* values) {
    if (texture.getNumArrayMembers() == 0 || (count && (!channels || !values))) return false;
    return withElementType(standardElementType(texture), [&](auto element) {
        using T = decltype(element);
        return setEveryPixel<T>(texture, count, channels,
                                [&](uint32_t i, T) { return narrowInteger<T>(values[i]); });
    });
}

bool SetChannelsFloat(CQelTexture& texture, uint32_t count, EChannelName* channels, float* values) {
    if (texture.getNumArrayMembers() == 0 || (count && (!channels || !values))) return false;
    return withElementType(standardElementType(texture), [&](auto element) {
        using T = decltype(element);
        return setEveryPixel<T>(texture, count, channels,
                                [&](uint32_t i, T) { return narrowFloat<T>(values[i]); });
    });
}

template <typename S, typename D>
bool CopyChannels(Pixel<S>* source, Pixel<D>* destination, const uint32_t& width, const uint32_t& height,
                  const uint32_t& depth, const uint32_t& count, EChannelName* destinationChannels,
                  EChannelName* sourceChannels) {
    if (!source || !destination) return false;
    const uint64_t n = uint64_t(width) * height * depth;
    if (n == 0 || count == 0) return true;
    if (!destinationChannels || !sourceChannels) return false;
    constexpr bool sameType = std::is_same<S, D>::value;
    auto convert = [](S c) {
        return sameType ? float(c) : float(c) * rangeMax<D>() / rangeMax<S>();
    };
    // One value per listed channel, computed for a whole pixel before any is written. A
    // name repeated from the previous entry reuses its value (luminance for red, green and
    // blue is computed once).
    std::vector<D> values(count);
    std::vector<uint8_t> present(count);
    for (uint32_t i = 0; i < count; ++i) present[i] = uint32_t(sourceChannels[i]) >= eRed && uint32_t(sourceChannels[i]) <= eUnspecified;
    for (uint64_t p = 0; p < n; ++p) {
        const Pixel<S> in = source[p];
        for (uint32_t i = 0; i < count; ++i) {
            if (i > 0 && sourceChannels[i] == sourceChannels[i - 1]) {
                values[i] = values[i - 1];
                continue;
            }
            float v;
            switch (sourceChannels[i]) {
                case eRed: v = convert(in.red); break;
                case eGreen: v = convert(in.green); break;
                case eBlue: v = convert(in.blue); break;
                case eAlpha:
                case eUnspecified: v = convert(in.alpha); break;
                case eLuminance:
                    v = 0.0722f * convert(in.blue) + (0.7152f * convert(in.green) + 0.2126f * convert(in.red));
                    break;
                case eIntensity: v = (convert(in.green) + convert(in.red) + convert(in.blue)) / 3.0f; break;
                default: v = 0.0f; break;
            }
            values[i] = storeValue<D>(v);
        }
        Pixel<D>& out = destination[p];
        for (uint32_t i = 0; i < count; ++i)
            if (present[i]) writeChannel<D>(out, destinationChannels[i], values[i]);
    }
    return true;
}

bool CopyChannels(CQelTexture& destination, const CQelTexture& source, uint32_t count,
                  EChannelName* destinationChannels, EChannelName* sourceChannels) {
    const EElementType sourceType = standardElementType(source);
    const EElementType destinationType = standardElementType(destination);
    if (sourceType == EElementType::None || destinationType == EElementType::None) return false;
    if (source.getWidth(0) != destination.getWidth(0) || source.getHeight(0) != destination.getHeight(0) ||
        source.getDepth(0) != destination.getDepth(0) ||
        source.getNumArrayMembers() != destination.getNumArrayMembers() ||
        source.getNumMIPLevels() != destination.getNumMIPLevels() ||
        source.getNumFaces() != destination.getNumFaces())
        return false;
    return withElementType(sourceType, [&](auto sourceElement) {
        using S = decltype(sourceElement);
        return withElementType(destinationType, [&](auto destinationElement) {
            using D = decltype(destinationElement);
            return forEachSurface(destination, [&](uint8_t* data, uint32_t mip, uint32_t member, uint32_t face) {
                return CopyChannels<S, D>(reinterpret_cast<Pixel<S>*>(source.getDataPtr(mip, member, face)),
                                          reinterpret_cast<Pixel<D>*>(data), destination.getWidth(mip),
                                          destination.getHeight(mip), destination.getDepth(mip), count,
                                          destinationChannels, sourceChannels);
            });
        });
    });
}

#define QELTEX_COPY_CHANNELS(S, D)                                                                   \
    template bool CopyChannels<S, D>(Pixel<S>*, Pixel<D>*, const uint32_t&, const uint32_t&,       \
                                     const uint32_t&, const uint32_t&, EChannelName*, EChannelName*);
#define QELTEX_COPY_CHANNELS_FROM(S) \
    QELTEX_COPY_CHANNELS(S, uint8_t) \
    QELTEX_COPY_CHANNELS(S, uint16_t) QELTEX_COPY_CHANNELS(S, uint32_t) QELTEX_COPY_CHANNELS(S, float)
QELTEX_COPY_CHANNELS_FROM(uint8_t)
QELTEX_COPY_CHANNELS_FROM(uint16_t)
QELTEX_COPY_CHANNELS_FROM(uint32_t)
QELTEX_COPY_CHANNELS_FROM(float)
#undef QELTEX_COPY_CHANNELS_FROM
#undef QELTEX_COPY_CHANNELS

}  // namespace qeltexture
