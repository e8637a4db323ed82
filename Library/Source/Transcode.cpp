// The transcode pipeline: decode, dither, convert, encode.
#include "Transcode.h"

#include <cstring>
#include <vector>

#include "ChannelOps.h"
#include "TranscodeCodecs.h"
#include "TranscodeFast.h"

namespace qeltexture {

namespace {

bool isSignedChannelType(EQelTVariableType type) {
    return type == eVT_SignedFloat || (type <= eVT_SignedInteger && (type & 1u) == 1);
}

// Calls fn(member, face, mip) in the pipeline's order: member, then face, then MIP level.
template <typename Fn>
void forEachLevel(const CQelTexture& texture, Fn&& fn) {
    for (uint32_t member = 0; member < texture.getNumArrayMembers(); ++member)
        for (uint32_t face = 0; face < texture.getNumFaces(); ++face)
            for (uint32_t mip = 0; mip < texture.getNumMIPLevels(); ++mip) fn(member, face, mip);
}

CQelTextureHeader withFormat(const CQelTextureHeader& header, PixelType format, EQelTVariableType channelType) {
    CQelTextureHeader result(header);
    result.setPixelFormat(format);
    result.setChannelType(channelType);
    return result;
}

// Decodes every surface into `output` (the intermediate layout). False when the format has
// no decoder or a decoder reports failure; `sum` is the decoders' byte count.
bool decodeTexture(const CQelTexture& texture, CQelTexture& output, uint32_t& sum) {
    sum = 0;
    const PixelType format = texture.getPixelType();
    PixelType intermediate;
    EQelTVariableType intermediateType;
    IntermediateTranscodeFormat(format, texture.getChannelType(), intermediate, intermediateType);
    const CQelTextureHeader header = withFormat(texture.getHeader(), intermediate, intermediateType);
    if (!header.isWithinSizeModel()) return false;
    output = CQelTexture(header);
    const CodecFunction decode = decoderFor(format.PixelTypeID);
    CodecCall call;
    call.format = uint32_t(format.PixelTypeID);
    call.isSigned = isSignedChannelType(texture.getChannelType());
    uint32_t minX, minY, minZ;
    QelTGetFormatMinDims(format.PixelTypeID, minX, minY, minZ);
    const size_t pixelBytes = QelTGetBitsPerPixel(intermediate.PixelTypeID) / 8;
    const bool decodesInPlace = format.PixelTypeID <= ePF_QELTCII_4bpp || format.PixelTypeID == ePF_BW1bpp;
    bool ok = decode != nullptr;
    std::vector<uint8_t> scratch;
    forEachLevel(texture, [&](uint32_t member, uint32_t face, uint32_t mip) {
        const uint8_t* source = texture.getDataPtr(mip, member, face);
        uint8_t* destination = output.getDataPtr(mip, member, face);
        if (!ok || !source || !destination) {
            ok = false;
            return;
        }
        const uint32_t w = texture.getWidth(mip), h = texture.getHeight(mip), d = texture.getDepth(mip);
        uint32_t written;
        if ((w < minX || h < minY || d < minZ) && !decodesInPlace) {
            // The decoder writes whole blocks: give it room for the padded size, keep the level.
            const size_t padded = size_t(w < minX ? minX : w) * (h < minY ? minY : h) * (d < minZ ? minZ : d);
            scratch.assign(padded * pixelBytes, 0);
            written = decode(source, scratch.data(), w, h, call);
            std::memcpy(destination, scratch.data(), size_t(w) * h * d * pixelBytes);
        } else {
            written = decode(source, destination, w, h, call);
        }
        if (written == 0) ok = false;
        sum += written;
    });
    return ok;
}

// True when the pixel type holds a channel letter.
bool hasLetter(const PixelType& type, uint8_t letter) {
    for (unsigned k = 0; k < 4; ++k)
        if (type.channelName(k) == letter) return true;
    return false;
}

}  // namespace

void IntermediateTranscodeFormat(const PixelType& format, const EQelTVariableType& channelType,
                                 PixelType& intermediate, EQelTVariableType& intermediateChannelType) {
    switch (format.PixelTypeID) {
        case ePF_ETC1:
        case ePF_ETC2_RGB:
            intermediate = PixelType(0x0008080800626772ull);
            intermediateChannelType = eVT_UnsignedByteNorm;
            return;
        case ePF_SharedExponentR9G9B9E5:
            intermediate = PixelType(0x0020202000626772ull);
            intermediateChannelType = eVT_SignedFloat;
            return;
        case ePF_EAC_R11:
        case ePF_EAC_RG11:
            intermediate = PixelType(format.PixelTypeID == ePF_EAC_R11 ? 0x0000001000000072ull : 0x0000101000006772ull);
            intermediateChannelType = isSignedChannelType(channelType) ? eVT_SignedShortNorm : eVT_UnsignedShortNorm;
            return;
        default:
            intermediate = QelStandard8PixelType;
            intermediateChannelType = eVT_UnsignedByteNorm;
            return;
    }
}

bool isStandardPixelType(const PixelType& pixelType, const EQelTVariableType& channelType) {
    return (pixelType == QelStandard8PixelType && channelType == eVT_UnsignedByteNorm) ||
           (pixelType == QelStandard16PixelType && channelType == eVT_UnsignedShortNorm) ||
           (pixelType == QelStandard32PixelType &&
            (channelType == eVT_UnsignedIntegerNorm || channelType == eVT_SignedFloat));
}

uint32_t TranscodeTrivial(CQelTexture& source, CQelTexture& destination, CPixelEncoder& sourceEncoder,
                          CPixelEncoder& destinationEncoder, EQelTColourSpace targetColourSpace,
                          EQelTColourSpace sourceColourSpace) {
    const size_t sourceBytes = sourceEncoder.GetColourDataSize();
    const size_t destinationBytes = destinationEncoder.GetColourDataSize();
    // Pixels of one surface, bounded by what both blocks hold so mismatched encoders can
    // never run past either one.
    auto surfacePixels = [&](uint32_t mip) {
        uint64_t n = source.getTextureSize(int32_t(mip), false, false);
        if (sourceBytes) {
            const uint64_t held = source.getDataSize(int32_t(mip), false, false) / sourceBytes;
            if (held < n) n = held;
        }
        if (destinationBytes) {
            const uint64_t held = destination.getDataSize(int32_t(mip), false, false) / destinationBytes;
            if (held < n) n = held;
        }
        return n;
    };
    uint64_t totalPixels = 0;
    forEachLevel(source, [&](uint32_t, uint32_t, uint32_t mip) { totalPixels += surfacePixels(mip); });

    // Tables pay off once the texture has at least as many pixels as table entries (each
    // entry costs about one general conversion).
    CTablePixelConverter tables;
    const bool useTables =
        tables.prepare(sourceEncoder, destinationEncoder, targetColourSpace, sourceColourSpace, totalPixels);

    uint64_t converted = 0;
    forEachLevel(source, [&](uint32_t member, uint32_t face, uint32_t mip) {
        const uint8_t* s = source.getDataPtr(mip, member, face);
        uint8_t* d = destination.getDataPtr(mip, member, face);
        if (!s || !d) return;
        const uint64_t n = surfacePixels(mip);
        if (useTables) tables.convert(s, d, size_t(n));
        else
            convertPixelsGeneral(s, d, size_t(n), sourceEncoder, destinationEncoder, targetColourSpace,
                                 sourceColourSpace);
        converted += n;
    });
    return uint32_t(converted * destinationBytes);
}

uint32_t DecompressNonTrivial(CQelTexture& texture) {
    CQelTexture output;
    uint32_t sum = 0;
    decodeTexture(texture, output, sum);
    texture = std::move(output);
    return sum;
}

uint32_t CompressNonTrivial(CQelTexture& texture, PixelType target, ECompressorQuality quality,
                            uint32_t threadCount) {
    CQelTexture output(withFormat(texture.getHeader(), target, texture.getChannelType()));
    const CodecFunction encode = encoderFor(target.PixelTypeID);
    CodecCall call;
    call.format = uint32_t(target.PixelTypeID);
    call.quality = quality;
    call.isSigned = isSignedChannelType(output.getChannelType());
    call.threadCount = threadCount;
    uint32_t minX, minY, minZ;
    QelTGetFormatMinDims(target.PixelTypeID, minX, minY, minZ);
    const size_t pixelBytes = texture.getBitsPerPixel() / 8;
    const bool opaque = target.PixelTypeID == ePF_QELTCI_2bpp_RGB || target.PixelTypeID == ePF_QELTCI_4bpp_RGB;
    uint32_t sum = 0;
    std::vector<uint8_t> scratch;
    forEachLevel(texture, [&](uint32_t member, uint32_t face, uint32_t mip) {
        uint8_t* source = texture.getDataPtr(mip, member, face);
        uint8_t* destination = output.getDataPtr(mip, member, face);
        if (!encode || !source || !destination || pixelBytes == 0) return;
        const uint32_t w = texture.getWidth(mip), h = texture.getHeight(mip), d = texture.getDepth(mip);
        const uint32_t wp = w < minX ? minX : w, hp = h < minY ? minY : h, dp = d < minZ ? minZ : d;
        uint8_t* input = source;
        size_t inputPixels = size_t(w) * h * d;
        if (w < minX || h < minY || d < minZ) {
            // Below the format's minimum size: tile the level up to it.
            inputPixels = size_t(wp) * hp * dp;
            scratch.resize(inputPixels * pixelBytes);
            for (uint32_t z = 0; z < dp; ++z)
                for (uint32_t y = 0; y < hp; ++y)
                    for (uint32_t x = 0; x < wp; ++x)
                        std::memcpy(&scratch[((size_t(z) * hp + y) * wp + x) * pixelBytes],
                                    source + ((size_t(z % d) * h + y % h) * w + x % w) * pixelBytes, pixelBytes);
            input = scratch.data();
        }
        if (opaque && pixelBytes == 4)
            for (size_t p = 0; p < inputPixels; ++p) input[p * 4 + 3] = 255;
        sum += encode(input, destination, wp, hp, call);
    });
    texture = std::move(output);
    return sum;
}

bool Transcode(CQelTexture& texture, PixelType pixelType, EQelTVariableType channelType,
               EQelTColourSpace colourSpace, ECompressorQuality quality, bool doDither, uint32_t threadCount) {
    if (texture.getDataSize(-1, true, true) == 0 || pixelType.PixelTypeID == ePF_NumCompressedPFs) return false;
    const bool targetCompressed = pixelType.isCompressedOrSpecial();
    // Invalid layouts have no defined storage: refuse them before anything changes.
    if (!targetCompressed && CPixelEncoder(pixelType, channelType).GetError() != 0) return false;

    CQelTexture* current = &texture;
    PixelType sourceType = texture.getPixelType();
    EQelTVariableType sourceChannelType = texture.getChannelType();
    const EQelTColourSpace sourceColourSpace = texture.getColourSpace();

    CQelTexture decoded;
    if (sourceType.isCompressedOrSpecial()) {
        uint32_t decodedBytes;
        if (!decodeTexture(texture, decoded, decodedBytes)) return false;
        current = &decoded;
        sourceType = decoded.getPixelType();
        sourceChannelType = decoded.getChannelType();
    }
    CPixelEncoder sourceEncoder(sourceType, sourceChannelType);
    if (sourceEncoder.GetError() != 0) return false;

    CQelTexture dithered;
    if (doDither && QelTGetBitsPerPixel(pixelType.PixelTypeID) <= 31) {
        const CQelTextureHeader header = withFormat(current->getHeader(), QelStandard8PixelType, eVT_UnsignedByteNorm);
        if (!header.isWithinSizeModel()) return false;
        dithered = CQelTexture(header);
        CPixelEncoder rgba8(QelStandard8PixelType, eVT_UnsignedByteNorm);
        TranscodeTrivial(*current, dithered, sourceEncoder, rgba8, sourceColourSpace, sourceColourSpace);

        EChannelName grey = eNoChannel;
        if (!targetCompressed) grey = hasLetter(pixelType, 'i') ? eIntensity : hasLetter(pixelType, 'l') ? eLuminance : eNoChannel;
        else if (pixelType.PixelTypeID == ePF_BW1bpp) grey = eIntensity;
        if (grey != eNoChannel && pixelType.PixelTypeID != 0x000505060072676Cull) {
            EChannelName destinationChannels[3] = {eRed, eGreen, eBlue};
            EChannelName sourceChannels[3] = {grey, grey, grey};
            CopyChannels(dithered, dithered, 3, destinationChannels, sourceChannels);
        }
        forEachLevel(dithered, [&](uint32_t member, uint32_t face, uint32_t mip) {
            Dither(dithered.getDataPtr(mip, member, face), pixelType, dithered.getWidth(mip),
                   dithered.getHeight(mip), dithered.getDepth(mip));
        });
        current = &dithered;
        sourceEncoder = rgba8;
        sourceType = QelStandard8PixelType;
        sourceChannelType = eVT_UnsignedByteNorm;
    }

    PixelType outputType = pixelType;
    EQelTVariableType outputChannelType = channelType;
    if (targetCompressed) IntermediateTranscodeFormat(pixelType, channelType, outputType, outputChannelType);
    CQelTextureHeader outputHeader = withFormat(current->getHeader(), outputType, outputChannelType);
    outputHeader.setColourSpace(colourSpace);

    const bool convert = !(pixelType == sourceType && colourSpace == sourceColourSpace &&
                           channelType == sourceChannelType);
    CQelTexture output;
    if (convert) {
        if (!outputHeader.isWithinSizeModel()) return false;
        if (targetCompressed) {
            CQelTextureHeader finalHeader = withFormat(outputHeader, pixelType, outputChannelType);
            if (!finalHeader.isWithinSizeModel()) return false;
        }
        output = CQelTexture(outputHeader);
        CPixelEncoder destinationEncoder(outputType, outputChannelType);
        TranscodeTrivial(*current, output, sourceEncoder, destinationEncoder, colourSpace, sourceColourSpace);
    }

    bool result = true;
    if (targetCompressed) {
        CQelTexture& compressed = convert ? output : *current;
        const uint32_t written = CompressNonTrivial(compressed, pixelType, quality, threadCount);
        result = compressed.getDataSize(-1, true, true) == written;
    }
    if (convert) texture = std::move(output);
    else if (current != &texture) texture = std::move(*current);
    return result;
}

}  // namespace qeltexture
