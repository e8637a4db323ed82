// ETCDecompress against Mesa's software OpenGL ES driver (surfaceless EGL): blocks are
// uploaded, copied with texelFetch into a float framebuffer and read back. The
// libraries are opened at run time; the tests skip without them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Codecs/ETC/ETCCompress.h"
#include "Codecs/ETC/ETCDecompress.h"
#include "PixelFormat.h"
#include "TestImages.h"

using namespace qeltexture;

namespace {

// The few EGL/GLES names needed, declared here so the build needs no GL headers.
using EGLDisplay = void*;
using EGLConfig = void*;
using EGLContext = void*;
using EGLint = int32_t;
using GLenum = unsigned int;
using GLuint = unsigned int;
using GLint = int;
using GLsizei = int;

constexpr EGLint EGL_NONE = 0x3038, EGL_RENDERABLE_TYPE = 0x3040, EGL_OPENGL_ES3_BIT = 0x0040,
                 EGL_SURFACE_TYPE = 0x3033, EGL_PBUFFER_BIT = 0x0001,
                 EGL_CONTEXT_CLIENT_VERSION = 0x3098;
constexpr unsigned EGL_PLATFORM_SURFACELESS_MESA = 0x31DD;
constexpr GLenum GL_TEXTURE_2D = 0x0DE1, GL_TEXTURE_MIN_FILTER = 0x2801, GL_NEAREST = 0x2600, GL_RGBA = 0x1908,
                 GL_FLOAT = 0x1406, GL_RGBA32F = 0x8814, GL_FRAMEBUFFER = 0x8D40, GL_COLOR_ATTACHMENT0 = 0x8CE0,
                 GL_FRAMEBUFFER_COMPLETE = 0x8CD5, GL_VERTEX_SHADER = 0x8B31, GL_FRAGMENT_SHADER = 0x8B30,
                 GL_LINK_STATUS = 0x8B82, GL_TRIANGLES = 0x0004, GL_EXTENSIONS = 0x1F03,
                 GL_NO_ERROR = 0, GL_COMPRESSED_RGB8_ETC2 = 0x9274;

// Every entry point used, as (return type, name, parameters), from libEGL and libGLESv2.
#define EGL_FUNCTIONS(X)                                                        \
    X(EGLDisplay, eglGetPlatformDisplay, (unsigned, void*, const intptr_t*))    \
    X(unsigned, eglInitialize, (EGLDisplay, EGLint*, EGLint*))                  \
    X(unsigned, eglChooseConfig, (EGLDisplay, const EGLint*, EGLConfig*, EGLint, EGLint*)) \
    X(EGLContext, eglCreateContext, (EGLDisplay, EGLConfig, EGLContext, const EGLint*)) \
    X(unsigned, eglMakeCurrent, (EGLDisplay, void*, void*, EGLContext))
#define GLES_FUNCTIONS(X)                                                       \
    X(void, glGenTextures, (GLsizei, GLuint*))                                  \
    X(void, glDeleteTextures, (GLsizei, const GLuint*))                         \
    X(void, glBindTexture, (GLenum, GLuint))                                    \
    X(void, glTexParameteri, (GLenum, GLenum, GLint))                           \
    X(void, glCompressedTexImage2D, (GLenum, GLint, GLenum, GLsizei, GLsizei, GLint, GLsizei, const void*)) \
    X(void, glTexImage2D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)) \
    X(GLenum, glGetError, ())                                                   \
    X(void, glGenFramebuffers, (GLsizei, GLuint*))                              \
    X(void, glBindFramebuffer, (GLenum, GLuint))                                \
    X(void, glFramebufferTexture2D, (GLenum, GLenum, GLenum, GLuint, GLint))    \
    X(GLenum, glCheckFramebufferStatus, (GLenum))                               \
    X(GLuint, glCreateShader, (GLenum))                                         \
    X(void, glShaderSource, (GLuint, GLsizei, const char* const*, const GLint*)) \
    X(void, glCompileShader, (GLuint))                                          \
    X(GLuint, glCreateProgram, ())                                              \
    X(void, glAttachShader, (GLuint, GLuint))                                   \
    X(void, glLinkProgram, (GLuint))                                            \
    X(void, glGetProgramiv, (GLuint, GLenum, GLint*))                           \
    X(void, glUseProgram, (GLuint))                                             \
    X(void, glViewport, (GLint, GLint, GLsizei, GLsizei))                       \
    X(void, glDrawArrays, (GLenum, GLint, GLsizei))                             \
    X(void, glReadPixels, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*)) \
    X(const unsigned char*, glGetString, (GLenum))

constexpr int kMaxSize = 512;  // surfaces up to kMaxSize x kMaxSize texels

struct GLApi {
    std::string failure;
    bool etc1Extension = false;

#define DECLARE_FUNCTION(ret, name, params) ret(*name) params = nullptr;
    EGL_FUNCTIONS(DECLARE_FUNCTION)
    GLES_FUNCTIONS(DECLARE_FUNCTION)
#undef DECLARE_FUNCTION

    template <typename F>
    bool load(void* lib, F& fn, const char* name) {
        fn = reinterpret_cast<F>(dlsym(lib, name));
        if (fn == nullptr) failure = std::string("missing ") + name;
        return fn != nullptr;
    }

    GLuint shader(GLenum type, const char* source) {
        const GLuint s = glCreateShader(type);
        glShaderSource(s, 1, &source, nullptr);
        glCompileShader(s);
        return s;
    }

    bool init() {
        void* egl = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
        void* gles = dlopen("libGLESv2.so.2", RTLD_NOW | RTLD_LOCAL);
        if (egl == nullptr || gles == nullptr) {
            failure = "libEGL.so.1 or libGLESv2.so.2 not found";
            return false;
        }
#define LOAD_EGL(ret, name, params) if (!load(egl, name, #name)) return false;
#define LOAD_GLES(ret, name, params) if (!load(gles, name, #name)) return false;
        EGL_FUNCTIONS(LOAD_EGL)
        GLES_FUNCTIONS(LOAD_GLES)
#undef LOAD_EGL
#undef LOAD_GLES
        const EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, nullptr, nullptr);
        if (display == nullptr || !eglInitialize(display, nullptr, nullptr)) {
            failure = "no surfaceless EGL display";
            return false;
        }
        const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                        EGL_OPENGL_ES3_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        const EGLint contextAttribs[] = {EGL_CONTEXT_CLIENT_VERSION, 3, EGL_NONE};
        const EGLContext context = eglChooseConfig(display, configAttribs, &config, 1, &count) && count > 0
                                       ? eglCreateContext(display, config, nullptr, contextAttribs)
                                       : nullptr;
        if (context == nullptr || !eglMakeCurrent(display, nullptr, nullptr, context)) {
            failure = "no OpenGL ES 3 context";
            return false;
        }
        const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        etc1Extension = ext != nullptr && std::strstr(ext, "GL_OES_compressed_ETC1_RGB8_texture") != nullptr;
        if (ext == nullptr || std::strstr(ext, "GL_EXT_color_buffer_float") == nullptr) {
            failure = "float render targets not supported";
            return false;
        }
        // A full-screen triangle whose fragments copy their texel into a float target
        // (exact for 8-bit and 16-bit normalised values) as large as the largest surface.
        const GLuint program = glCreateProgram();
        glAttachShader(program, shader(GL_VERTEX_SHADER,
                                       "#version 300 es\nvoid main() {\n"
                                       "  vec2 p = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID >> 1) * 4 - 1));\n"
                                       "  gl_Position = vec4(p, 0.0, 1.0);\n}\n"));
        glAttachShader(program, shader(GL_FRAGMENT_SHADER,
                                       "#version 300 es\nprecision highp float;\nuniform highp sampler2D t;\nout vec4 o;\n"
                                       "void main() { o = texelFetch(t, ivec2(gl_FragCoord.xy), 0); }\n"));
        glLinkProgram(program);
        glUseProgram(program);
        GLuint target = 0, fbo = 0;
        glGenTextures(1, &target);
        glBindTexture(GL_TEXTURE_2D, target);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, kMaxSize, kMaxSize, 0, GL_RGBA, GL_FLOAT, nullptr);
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (!linked || glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            failure = "no copy program or float framebuffer";
        return failure.empty();
    }

    // Decodes width x height texels of compressed data through the driver, RGBA per texel.
    bool decode(GLenum internalFormat, const std::vector<uint8_t>& data, int width, int height,
                std::vector<float>& rgba) {
        GLuint tex = 0;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glCompressedTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, GLsizei(data.size()), data.data());
        bool ok = glGetError() == GL_NO_ERROR;
        if (ok) {
            glViewport(0, 0, width, height);
            glDrawArrays(GL_TRIANGLES, 0, 3);
            rgba.assign(size_t(width) * height * 4, 0.0f);
            glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, rgba.data());
            ok = glGetError() == GL_NO_ERROR;
        }
        glDeleteTextures(1, &tex);
        return ok;
    }
};

GLApi& api() {
    static GLApi instance;
    [[maybe_unused]] static const bool ready = instance.init();  // sets `failure` when false
    return instance;
}

#define REQUIRE_DRIVER() \
    if (!api().failure.empty()) GTEST_SKIP() << "software GLES driver unavailable: " << api().failure

struct FormatCase {
    const char* name;
    unsigned format;
    bool isSigned;
    GLenum glFormat;
    int channels;  // per texel in our output: 8-bit for 3 and 4, 16-bit (EAC) for 1 and 2
};

// The GL formats: GL_ETC1_RGB8_OES, GL_COMPRESSED_RGB8_ETC2, GL_COMPRESSED_RGBA8_ETC2_EAC,
// GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2, GL_COMPRESSED_(SIGNED_)R(G)11_EAC.
const FormatCase kCases[] = {
    {"ETC1", ePF_ETC1, false, 0x8D64, 3},
    {"ETC2 RGB", ePF_ETC2_RGB, false, GL_COMPRESSED_RGB8_ETC2, 3},
    {"ETC2 RGBA", ePF_ETC2_RGBA, false, 0x9278, 4},
    {"ETC2 RGB A1", ePF_ETC2_RGB_A1, false, 0x9276, 4},
    {"EAC R11", ePF_EAC_R11, false, 0x9270, 1},
    {"EAC R11 signed", ePF_EAC_R11, true, 0x9271, 1},
    {"EAC RG11", ePF_EAC_RG11, false, 0x9272, 2},
    {"EAC RG11 signed", ePF_EAC_RG11, true, 0x9273, 2},
};

// The number of texel channels where the driver's decoding differs from ours.
size_t compareWithDriver(FormatCase fc, const std::vector<uint8_t>& blocks, int width, int height) {
    if (fc.format == ePF_ETC1 && !api().etc1Extension) fc.glFormat = GL_COMPRESSED_RGB8_ETC2;
    std::vector<float> rgba;
    if (!api().decode(fc.glFormat, blocks, width, height, rgba)) {
        ADD_FAILURE() << fc.name << ": the driver refused the upload or the copy";
        return size_t(width) * height;
    }
    std::vector<uint8_t> ours(ETCDecompress(nullptr, nullptr, unsigned(width), unsigned(height), fc.format, fc.isSigned));
    EXPECT_EQ(ours.size(), ETCDecompress(blocks.data(), ours.data(), unsigned(width), unsigned(height), fc.format,
                                         fc.isSigned));
    size_t mismatches = 0;
    for (int i = 0; i < width * height; ++i)
        for (int c = 0; c < fc.channels; ++c) {
            const bool eac = fc.channels < 3;
            long mine = ours[fc.channels * i + c];
            if (eac) {
                uint16_t v;
                std::memcpy(&v, &ours[(fc.channels * i + c) * 2], 2);
                mine = fc.isSigned ? long(int16_t(v)) : long(v);
            }
            const double scale = !eac ? 255.0 : fc.isSigned ? 32767.0 : 65535.0;
            const long driver = std::lround(double(rgba[4 * i + c]) * scale);
            if (mine != driver && ++mismatches <= 5)
                ADD_FAILURE() << fc.name << ": texel (" << i % width << ", " << i / width << ") channel " << c
                              << " in block " << (i / width / 4) * (width / 4) + i % width / 4 << ": ours " << mine
                              << ", driver " << driver;
        }
    return mismatches;
}

// Random ETC1 blocks stay valid ETC1: a differential block whose sum would leave 0..31
// in a channel gets a zero delta there (ETC1 has no T, H or planar modes).
void makeValidETC1(uint8_t* block) {
    if (!(block[3] & 2)) return;
    for (int c = 0; c < 3; ++c) {
        const int base = block[c] >> 3;
        const int delta = int(block[c] & 3) - int(block[c] & 4);
        if (base + delta < 0 || base + delta > 31) block[c] &= 0xF8;
    }
}

}  // namespace

// Under LeakSanitizer: allocations the GL driver keeps until exit are not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libEGL\nleak:libGLES\nleak:libGLdispatch\nleak:libglapi\nleak:_dri.so\nleak:libgallium\n"
           "leak:libLLVM\nleak:libdrm\n";
}

TEST(ETCMesa, RandomBlocksOfEveryFormatAgree) {
    REQUIRE_DRIVER();
    // 16384 blocks per format: hundreds of each ETC2 mode, every table row, and even
    // rare fields such as the signed EAC base 0x80 dozens of times.
    const size_t blockCount = (kMaxSize / 4) * (kMaxSize / 4);
    for (const FormatCase& fc : kCases) {
        const size_t blockBytes = (fc.format == ePF_ETC2_RGBA || fc.format == ePF_EAC_RG11) ? 16 : 8;
        std::mt19937 rng(20260 + fc.format * 2 + (fc.isSigned ? 1 : 0));
        std::vector<uint8_t> blocks(blockCount * blockBytes);
        for (auto& b : blocks) b = uint8_t(rng());
        if (fc.format == ePF_ETC1)
            for (size_t k = 0; k < blockCount; ++k) makeValidETC1(&blocks[k * 8]);
        EXPECT_EQ(0u, compareWithDriver(fc, blocks, kMaxSize, kMaxSize)) << fc.name;
    }
}

// The driver decodes what we encode, in every format and quality, exactly as we do.
TEST(ETCMesa, EncodedBlocksOfEveryFormatAgree) {
    REQUIRE_DRIVER();
    std::vector<qeltest::RGBAImage> sources(1);  // random pixels, then a photograph
    sources[0].width = sources[0].height = 64;
    sources[0].pixels.resize(64 * 64 * 4);
    std::mt19937 rng(99);
    for (auto& v : sources[0].pixels) v = uint8_t(rng());
    if (!qeltest::loadTestImage("astronaut.png", sources.emplace_back())) sources.pop_back();

    for (size_t s = 0; s < sources.size(); ++s) {
        for (int q = 0; q < 4; ++q) {
            // The exhaustive levels on a small crop (smaller still for noise, their slowest case).
            const unsigned size = q < 2 ? 64 : (s == 0 ? 8 : 16);
            const qeltest::RGBAImage crop = qeltest::tileTo(sources[s], size, size);
            const size_t n = size_t(size) * size;
            std::vector<uint8_t> rgb(n * 3), punch(crop.pixels);
            std::vector<uint16_t> r16(n), rg16(n * 2);
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < 3; ++c) rgb[3 * i + c] = crop.pixels[4 * i + c];
                punch[4 * i + 3] = (crop.pixels[4 * i + 3] & 1) || (i % 5 == 0) ? 0 : 255;  // alpha 0 or 255
                r16[i] = uint16_t(crop.pixels[4 * i] * 257 + (i % 7));
                rg16[2 * i] = r16[i];
                rg16[2 * i + 1] = uint16_t(crop.pixels[4 * i + 1] * 251);
            }
            for (const FormatCase& fc : kCases) {
                if (q > 0 && fc.channels < 3) continue;  // one EAC encoder at every quality
                if (q > 0 && fc.format == ePF_ETC2_RGB_A1) continue;
                const void* src = fc.channels == 3 ? static_cast<const void*>(rgb.data())
                                  : fc.format == ePF_ETC2_RGBA ? static_cast<const void*>(crop.pixels.data())
                                  : fc.format == ePF_ETC2_RGB_A1 ? static_cast<const void*>(punch.data())
                                  : fc.format == ePF_EAC_R11 ? static_cast<const void*>(r16.data())
                                                             : static_cast<const void*>(rg16.data());
                std::vector<uint8_t> blocks(ETCCompress(nullptr, nullptr, size, size, q, fc.format, fc.isSigned));
                ASSERT_EQ(blocks.size(), ETCCompress(src, blocks.data(), size, size, q, fc.format, fc.isSigned, 2));
                EXPECT_EQ(0u, compareWithDriver(fc, blocks, int(size), int(size)))
                    << (s == 0 ? "random pixels " : "photograph ") << fc.name << " quality " << q;
            }
        }
    }
}
