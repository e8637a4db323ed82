// C header export: the bytes of the native file as one static array, so an application can
// compile a texture into its executable and read it back with the in-memory loader.
#include <cstring>

#include "Texture.h"

namespace qeltexture {

namespace {
void writeBytes(FILE* f, const uint8_t* bytes, uint32_t count, uint32_t perLine) {
    for (uint32_t i = 0; i < count; ++i) {
        std::fprintf(f, "0x%02x,", bytes[i]);
        if ((i + 1) % perLine == 0) std::fputc('\n', f);
    }
}

void writeU32Line(FILE* f, uint32_t v) {
    std::fprintf(f, "0x%02x,0x%02x,0x%02x,0x%02x,\n", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24);
}
}  // namespace

// Write errors are not inspected: once the stream is open the export counts as done.
bool CQelTexture::privateSaveCHeaderFile(FILE* stream, const CQelTString& arrayName) const {
    std::fputs("/********************************************************** \n", stream);
    std::fputs(" * QelTexLib\n", stream);
    std::fputs(" **********************************************************/\n\n", stream);
    std::fputs("#ifndef A8BIT \n #define A8BIT static const unsigned char\n#endif\n\n", stream);
    std::fprintf(stream, "A8BIT %s[] = {\n", arrayName.c_str());

    std::fputs("\n/* Header */\n", stream);
    uint8_t record[sizeof(QelTextureHeaderV3)];
    std::memcpy(record, &m_header, sizeof record);
    writeBytes(stream, record, sizeof record, 4);

    if (getMetaDataSize() != 0) {
        std::fputs("\n/* Meta Data */\n", stream);
        for (uint32_t i = 0; i < m_metaData.GetSize(); ++i) {
            const MetaDataKeyMap& blocks = m_metaData.GetValue(i);
            for (uint32_t j = 0; j < blocks.GetSize(); ++j) {
                const MetaDataBlock& b = blocks.GetValue(j);
                writeU32Line(stream, b.DevFOURCC);
                writeU32Line(stream, b.u32Key);
                writeU32Line(stream, b.u32DataSize);
                if (b.Data) writeBytes(stream, b.Data.get(), b.u32DataSize, 32);
                std::fputc('\n', stream);
            }
        }
    }

    std::fputs("\n/* Data */\n", stream);
    uint32_t size = getDataSize(-1, true, true);
    if (size != 0 && m_data) writeBytes(stream, m_data.get(), size < m_dataSize ? size : m_dataSize, 32);
    std::fputs("};\n", stream);
    return true;
}

}  // namespace qeltexture
