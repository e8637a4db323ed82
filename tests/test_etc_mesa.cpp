// ETCDecompress against an independent decoder: Mesa's software OpenGL ES driver,
// reached through a surfaceless EGL context. Blocks are uploaded with
// glCompressedTexImage2D, copied texel for texel into a float or 8-bit framebuffer with
// texelFetch, read back and compared with our decoding. The EGL and GLES libraries are
// opened at run time; the tests skip when they (or a usable context) are missing.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
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
constexpr unsigned EGL_OPENGL_ES_API = 0x30A0, EGL_PLATFORM_SURFACELESS_MESA = 0x31DD;
constexpr GLenum GL_TEXTURE_2D = 0x0DE1, GL_TEXTURE_MIN_FILTER = 0x2801, GL_TEXTURE_MAG_FILTER = 0x2800,
                 GL_NEAREST = 0x2600, GL_RGBA = 0x1908, GL_UNSIGNED_BYTE = 0x1401, GL_FLOAT = 0x1406,
                 GL_RGBA8 = 0x8058, GL_RGBA32F = 0x8814, GL_FRAMEBUFFER = 0x8D40,
                 GL_COLOR_ATTACHMENT0 = 0x8CE0, GL_FRAMEBUFFER_COMPLETE = 0x8CD5,
                 GL_VERTEX_SHADER = 0x8B31, GL_FRAGMENT_SHADER = 0x8B30, GL_COMPILE_STATUS = 0x8B81,
                 GL_LINK_STATUS = 0x8B82, GL_TRIANGLES = 0x0004, GL_EXTENSIONS = 0x1F03,
                 GL_RENDERER = 0x1F01, GL_PACK_ALIGNMENT = 0x0D05, GL_NO_ERROR = 0;
constexpr GLenum GL_ETC1_RGB8_OES = 0x8D64, GL_COMPRESSED_R11_EAC = 0x9270,
                 GL_COMPRESSED_SIGNED_R11_EAC = 0x9271, GL_COMPRESSED_RG11_EAC = 0x9272,
                 GL_COMPRESSED_SIGNED_RG11_EAC = 0x9273, GL_COMPRESSED_RGB8_ETC2 = 0x9274,
                 GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2 = 0x9276,
                 GL_COMPRESSED_RGBA8_ETC2_EAC = 0x9278;

struct GLApi {
    void* egl = nullptr;
    void* gles = nullptr;
    EGLDisplay display = nullptr;
    EGLContext context = nullptr;
    std::string failure;
    GLuint program8 = 0, programF = 0;
    bool etc1Extension = false;

    EGLDisplay (*eglGetPlatformDisplay)(unsigned, void*, const intptr_t*) = nullptr;
    unsigned (*eglInitialize)(EGLDisplay, EGLint*, EGLint*) = nullptr;
    unsigned (*eglBindAPI)(unsigned) = nullptr;
    unsigned (*eglChooseConfig)(EGLDisplay, const EGLint*, EGLConfig*, EGLint, EGLint*) = nullptr;
    EGLContext (*eglCreateContext)(EGLDisplay, EGLConfig, EGLContext, const EGLint*) = nullptr;
    unsigned (*eglMakeCurrent)(EGLDisplay, void*, void*, EGLContext) = nullptr;

    void (*glGenTextures)(GLsizei, GLuint*) = nullptr;
    void (*glDeleteTextures)(GLsizei, const GLuint*) = nullptr;
    void (*glBindTexture)(GLenum, GLuint) = nullptr;
    void (*glTexParameteri)(GLenum, GLenum, GLint) = nullptr;
    void (*glCompressedTexImage2D)(GLenum, GLint, GLenum, GLsizei, GLsizei, GLint, GLsizei, const void*) = nullptr;
    void (*glTexImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) = nullptr;
    GLenum (*glGetError)() = nullptr;
    void (*glGenFramebuffers)(GLsizei, GLuint*) = nullptr;
    void (*glDeleteFramebuffers)(GLsizei, const GLuint*) = nullptr;
    void (*glBindFramebuffer)(GLenum, GLuint) = nullptr;
    void (*glFramebufferTexture2D)(GLenum, GLenum, GLenum, GLuint, GLint) = nullptr;
    GLenum (*glCheckFramebufferStatus)(GLenum) = nullptr;
    GLuint (*glCreateShader)(GLenum) = nullptr;
    void (*glShaderSource)(GLuint, GLsizei, const char* const*, const GLint*) = nullptr;
    void (*glCompileShader)(GLuint) = nullptr;
    void (*glGetShaderiv)(GLuint, GLenum, GLint*) = nullptr;
    void (*glGetShaderInfoLog)(GLuint, GLsizei, GLsizei*, char*) = nullptr;
    GLuint (*glCreateProgram)() = nullptr;
    void (*glAttachShader)(GLuint, GLuint) = nullptr;
    void (*glLinkProgram)(GLuint) = nullptr;
    void (*glGetProgramiv)(GLuint, GLenum, GLint*) = nullptr;
    void (*glUseProgram)(GLuint) = nullptr;
    void (*glViewport)(GLint, GLint, GLsizei, GLsizei) = nullptr;
    void (*glDrawArrays)(GLenum, GLint, GLsizei) = nullptr;
    void (*glReadPixels)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*) = nullptr;
    void (*glPixelStorei)(GLenum, GLint) = nullptr;
    const unsigned char* (*glGetString)(GLenum) = nullptr;

    template <typename F>
    bool load(void* lib, F& fn, const char* name) {
        fn = reinterpret_cast<F>(dlsym(lib, name));
        if (fn == nullptr) failure = std::string("missing ") + name;
        return fn != nullptr;
    }

    GLuint compile(GLenum type, const char* source) {
        const GLuint s = glCreateShader(type);
        glShaderSource(s, 1, &source, nullptr);
        glCompileShader(s);
        GLint ok = 0;
        glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            char log[1024] = {};
            glGetShaderInfoLog(s, sizeof(log), nullptr, log);
            failure = std::string("shader: ") + log;
        }
        return s;
    }

    GLuint link(const char* fragment) {
        static const char* vertex =
            "#version 300 es\n"
            "void main() {\n"
            "  vec2 p = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID >> 1) * 4 - 1));\n"
            "  gl_Position = vec4(p, 0.0, 1.0);\n"
            "}\n";
        const GLuint p = glCreateProgram();
        glAttachShader(p, compile(GL_VERTEX_SHADER, vertex));
        glAttachShader(p, compile(GL_FRAGMENT_SHADER, fragment));
        glLinkProgram(p);
        GLint ok = 0;
        glGetProgramiv(p, GL_LINK_STATUS, &ok);
        if (!ok && failure.empty()) failure = "program did not link";
        return ok ? p : 0;
    }

    bool init() {
        egl = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
        gles = dlopen("libGLESv2.so.2", RTLD_NOW | RTLD_LOCAL);
        if (egl == nullptr || gles == nullptr) {
            failure = "libEGL.so.1 or libGLESv2.so.2 not found";
            return false;
        }
        if (!load(egl, eglGetPlatformDisplay, "eglGetPlatformDisplay") || !load(egl, eglInitialize, "eglInitialize") ||
            !load(egl, eglBindAPI, "eglBindAPI") || !load(egl, eglChooseConfig, "eglChooseConfig") ||
            !load(egl, eglCreateContext, "eglCreateContext") || !load(egl, eglMakeCurrent, "eglMakeCurrent"))
            return false;
        bool ok = load(gles, glGenTextures, "glGenTextures") && load(gles, glDeleteTextures, "glDeleteTextures") &&
                  load(gles, glBindTexture, "glBindTexture") && load(gles, glTexParameteri, "glTexParameteri") &&
                  load(gles, glCompressedTexImage2D, "glCompressedTexImage2D") &&
                  load(gles, glTexImage2D, "glTexImage2D") && load(gles, glGetError, "glGetError") &&
                  load(gles, glGenFramebuffers, "glGenFramebuffers") &&
                  load(gles, glDeleteFramebuffers, "glDeleteFramebuffers") &&
                  load(gles, glBindFramebuffer, "glBindFramebuffer") &&
                  load(gles, glFramebufferTexture2D, "glFramebufferTexture2D") &&
                  load(gles, glCheckFramebufferStatus, "glCheckFramebufferStatus") &&
                  load(gles, glCreateShader, "glCreateShader") && load(gles, glShaderSource, "glShaderSource") &&
                  load(gles, glCompileShader, "glCompileShader") && load(gles, glGetShaderiv, "glGetShaderiv") &&
                  load(gles, glGetShaderInfoLog, "glGetShaderInfoLog") &&
                  load(gles, glCreateProgram, "glCreateProgram") && load(gles, glAttachShader, "glAttachShader") &&
                  load(gles, glLinkProgram, "glLinkProgram") && load(gles, glGetProgramiv, "glGetProgramiv") &&
                  load(gles, glUseProgram, "glUseProgram") && load(gles, glViewport, "glViewport") &&
                  load(gles, glDrawArrays, "glDrawArrays") && load(gles, glReadPixels, "glReadPixels") &&
                  load(gles, glPixelStorei, "glPixelStorei") && load(gles, glGetString, "glGetString");
        if (!ok) return false;

        display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, nullptr, nullptr);
        EGLint major = 0, minor = 0;
        if (display == nullptr || !eglInitialize(display, &major, &minor)) {
            failure = "no surfaceless EGL display";
            return false;
        }
        eglBindAPI(EGL_OPENGL_ES_API);
        const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                        EGL_OPENGL_ES3_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1) {
            failure = "no OpenGL ES 3 EGL config";
            return false;
        }
        const EGLint contextAttribs[] = {EGL_CONTEXT_CLIENT_VERSION, 3, EGL_NONE};
        context = eglCreateContext(display, config, nullptr, contextAttribs);
        if (context == nullptr || !eglMakeCurrent(display, nullptr, nullptr, context)) {
            failure = "no OpenGL ES 3 context";
            return false;
        }
        const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        etc1Extension = ext != nullptr && std::strstr(ext, "GL_OES_compressed_ETC1_RGB8_texture") != nullptr;
        const bool floatTargets = ext != nullptr && std::strstr(ext, "GL_EXT_color_buffer_float") != nullptr;
        if (!floatTargets) {
            failure = "float render targets not supported";
            return false;
        }
        program8 = link("#version 300 es\nprecision highp float;\nuniform highp sampler2D t;\nout vec4 o;\n"
                        "void main() { o = texelFetch(t, ivec2(gl_FragCoord.xy), 0); }\n");
        programF = program8;  // the same copy shader serves the float target
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        return program8 != 0 && failure.empty();
    }

    // Nothing is torn down: the context lives until the process ends, and the driver
    // stays loaded so that leak reports from inside it can be attributed (see below).
    // Decodes width x height texels of compressed data through the driver. The result
    // is RGBA per texel: bytes for 8-bit targets, floats otherwise.
    bool decode(GLenum internalFormat, const std::vector<uint8_t>& data, int width, int height, bool floatTarget,
                std::vector<uint8_t>& bytes, std::vector<float>& floats) {
        GLuint tex = 0, target = 0, fbo = 0;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glCompressedTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, GLsizei(data.size()), data.data());
        bool ok = glGetError() == GL_NO_ERROR;
        glGenTextures(1, &target);
        glBindTexture(GL_TEXTURE_2D, target);
        glTexImage2D(GL_TEXTURE_2D, 0, floatTarget ? GL_RGBA32F : GL_RGBA8, width, height, 0, GL_RGBA,
                     floatTarget ? GL_FLOAT : GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
        ok = ok && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        if (ok) {
            glBindTexture(GL_TEXTURE_2D, tex);
            glUseProgram(floatTarget ? programF : program8);
            glViewport(0, 0, width, height);
            glDrawArrays(GL_TRIANGLES, 0, 3);
            if (floatTarget) {
                floats.assign(size_t(width) * height * 4, 0.0f);
                glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, floats.data());
            } else {
                bytes.assign(size_t(width) * height * 4, 0);
                glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
            }
            ok = glGetError() == GL_NO_ERROR;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fbo);
        glDeleteTextures(1, &target);
        glDeleteTextures(1, &tex);
        return ok;
    }
};

GLApi& api() {
    static GLApi instance;
    static bool tried = false, ready = false;
    if (!tried) {
        tried = true;
        ready = instance.init();
    }
    if (!ready && instance.failure.empty()) instance.failure = "initialisation failed";
    return instance;
}

#define REQUIRE_DRIVER()                                                                     \
    do {                                                                                     \
        GLApi& g = api();                                                                    \
        if (!g.failure.empty()) GTEST_SKIP() << "software GLES driver unavailable: " << g.failure; \
    } while (0)

struct FormatCase {
    const char* name;
    unsigned format;
    bool isSigned;
    GLenum glFormat;
    bool floatTarget;
};

// Compares our decoding of `blocks` (a width x height surface) with the driver's.
// Returns the number of mismatching texels (and reports the first few).
size_t compareWithDriver(const FormatCase& fc, const std::vector<uint8_t>& blocks, int width, int height) {
    GLApi& g = api();
    std::vector<uint8_t> bytes;
    std::vector<float> floats;
    if (!g.decode(fc.glFormat, blocks, width, height, fc.floatTarget, bytes, floats)) {
        ADD_FAILURE() << fc.name << ": the driver refused the upload or the copy";
        return size_t(width) * height;
    }
    std::vector<uint8_t> ours(ETCDecompress(nullptr, nullptr, unsigned(width), unsigned(height), fc.format, fc.isSigned));
    EXPECT_EQ(ours.size(), ETCDecompress(blocks.data(), ours.data(), unsigned(width), unsigned(height), fc.format,
                                         fc.isSigned));
    size_t mismatches = 0;
    for (int i = 0; i < width * height; ++i) {
        bool same = true;
        std::string detail;
        switch (fc.format) {
            case ePF_ETC1:
            case ePF_ETC2_RGB:
                for (int c = 0; c < 3; ++c) same &= ours[3 * i + c] == bytes[4 * i + c];
                break;
            case ePF_ETC2_RGBA:
            case ePF_ETC2_RGB_A1:
                for (int c = 0; c < 4; ++c) same &= ours[4 * i + c] == bytes[4 * i + c];
                break;
            default: {
                const int channels = fc.format == ePF_EAC_R11 ? 1 : 2;
                for (int c = 0; c < channels; ++c) {
                    uint16_t v;
                    std::memcpy(&v, &ours[(channels * i + c) * 2], 2);
                    const float f = floats[4 * i + c];
                    const long driver = fc.isSigned ? std::lround(double(f) * 32767.0) : std::lround(double(f) * 65535.0);
                    const long mine = fc.isSigned ? long(int16_t(v)) : long(v);
                    if (driver != mine) {
                        same = false;
                        detail = " ours " + std::to_string(mine) + " driver " + std::to_string(driver);
                    }
                }
            }
        }
        if (!same && ++mismatches <= 5) {
            const int x = i % width, y = i / width;
            const size_t block = size_t(y / 4) * (width / 4) + x / 4;
            const size_t bb = blocks.size() / (size_t(width / 4) * (height / 4));
            std::string hex;
            char buf[4];
            for (size_t k = 0; k < bb; ++k) {
                std::snprintf(buf, sizeof(buf), "%02x", blocks[block * bb + k]);
                hex += buf;
            }
            ADD_FAILURE() << fc.name << ": texel (" << x << ", " << y << ") of block " << hex << detail;
        }
    }
    return mismatches;
}

const FormatCase kCases[] = {
    {"ETC1", ePF_ETC1, false, GL_ETC1_RGB8_OES, false},
    {"ETC2 RGB", ePF_ETC2_RGB, false, GL_COMPRESSED_RGB8_ETC2, false},
    {"ETC2 RGBA", ePF_ETC2_RGBA, false, GL_COMPRESSED_RGBA8_ETC2_EAC, false},
    {"ETC2 RGB A1", ePF_ETC2_RGB_A1, false, GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2, false},
    {"EAC R11", ePF_EAC_R11, false, GL_COMPRESSED_R11_EAC, true},
    {"EAC R11 signed", ePF_EAC_R11, true, GL_COMPRESSED_SIGNED_R11_EAC, true},
    {"EAC RG11", ePF_EAC_RG11, false, GL_COMPRESSED_RG11_EAC, true},
    {"EAC RG11 signed", ePF_EAC_RG11, true, GL_COMPRESSED_SIGNED_RG11_EAC, true},
};

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

// Under LeakSanitizer: allocations the GL driver keeps until exit are the driver's,
// not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libEGL\nleak:libGLES\nleak:libGLdispatch\nleak:libglapi\nleak:_dri.so\nleak:libgallium\n"
           "leak:libLLVM\nleak:libdrm\n";
}

TEST(ETCMesa, RandomBlocksOfEveryFormatAgree) {
    REQUIRE_DRIVER();
    const int size = 512;  // 16384 blocks per draw
    const int draws = 7;   // 114688 blocks per format
    for (FormatCase fc : kCases) {
        if (fc.format == ePF_ETC1 && !api().etc1Extension) fc.glFormat = GL_COMPRESSED_RGB8_ETC2;
        const size_t blockBytes = (fc.format == ePF_ETC2_RGBA || fc.format == ePF_EAC_RG11) ? 16 : 8;
        const size_t blockCount = size_t(size / 4) * (size / 4);
        std::mt19937 rng(20260 + fc.format * 2 + (fc.isSigned ? 1 : 0));
        size_t mismatches = 0;
        for (int d = 0; d < draws && mismatches == 0; ++d) {
            std::vector<uint8_t> blocks(blockCount * blockBytes);
            for (auto& b : blocks) b = uint8_t(rng());
            if (fc.format == ePF_ETC1)
                for (size_t k = 0; k < blockCount; ++k) makeValidETC1(&blocks[k * 8]);
            mismatches += compareWithDriver(fc, blocks, size, size);
        }
        EXPECT_EQ(0u, mismatches) << fc.name;
    }
}

TEST(ETCMesa, EncodedPhotographAgrees) {
    REQUIRE_DRIVER();
    qeltest::RGBAImage img;
    if (!qeltest::loadTestImage("astronaut.png", img)) GTEST_SKIP() << "test images not available";
    const qeltest::RGBAImage crop = qeltest::tileTo(img, 256, 256);
    std::vector<uint8_t> rgb(256 * 256 * 3);
    for (size_t i = 0; i < 256 * 256; ++i)
        for (int c = 0; c < 3; ++c) rgb[3 * i + c] = crop.pixels[4 * i + c];
    FormatCase fc = kCases[0];
    if (!api().etc1Extension) fc.glFormat = GL_COMPRESSED_RGB8_ETC2;
    for (int q = 0; q < 2; ++q) {
        std::vector<uint8_t> blocks(ETCCompress(nullptr, nullptr, 256, 256, q, ePF_ETC1, false));
        ASSERT_EQ(blocks.size(), ETCCompress(rgb.data(), blocks.data(), 256, 256, q, ePF_ETC1, false, 2));
        EXPECT_EQ(0u, compareWithDriver(fc, blocks, 256, 256)) << "quality " << q;
    }
    // The exhaustive levels on a smaller crop.
    const qeltest::RGBAImage small = qeltest::tileTo(img, 32, 32);
    std::vector<uint8_t> srgb(32 * 32 * 3);
    for (size_t i = 0; i < 32 * 32; ++i)
        for (int c = 0; c < 3; ++c) srgb[3 * i + c] = small.pixels[4 * i + c];
    for (int q = 2; q < 4; ++q) {
        std::vector<uint8_t> blocks(ETCCompress(nullptr, nullptr, 32, 32, q, ePF_ETC1, false));
        ASSERT_EQ(blocks.size(), ETCCompress(srgb.data(), blocks.data(), 32, 32, q, ePF_ETC1, false, 2));
        EXPECT_EQ(0u, compareWithDriver(fc, blocks, 32, 32)) << "quality " << q;
    }
}

// Every format and quality the encoder writes, on photographs and on random pixels:
// the driver decodes our blocks exactly as we do.
TEST(ETCMesa, EncodedETC2AndEACAgree) {
    REQUIRE_DRIVER();
    std::vector<std::pair<std::string, qeltest::RGBAImage>> sources;
    for (const char* name : {"astronaut.png", "rose.png"}) {
        qeltest::RGBAImage img;
        if (qeltest::loadTestImage(name, img)) sources.emplace_back(name, img);
    }
    qeltest::RGBAImage noise;
    noise.width = noise.height = 64;
    noise.pixels.resize(64 * 64 * 4);
    std::mt19937 rng(99);
    for (auto& v : noise.pixels) v = uint8_t(rng());
    sources.emplace_back("random pixels", noise);

    for (const auto& source : sources) {
        for (int q = 0; q < 4; ++q) {
            // The exhaustive levels on a small crop (smaller still for noise, their slowest case).
            const unsigned size = q < 2 ? 64 : (source.first == "random pixels" ? 8 : 16);
            const qeltest::RGBAImage crop = qeltest::tileTo(source.second, size, size);
            const size_t n = size_t(size) * size;
            std::vector<uint8_t> rgb(n * 3), rgba(crop.pixels);
            std::vector<uint16_t> r16(n), rg16(n * 2);
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < 3; ++c) rgb[3 * i + c] = crop.pixels[4 * i + c];
                rgba[4 * i + 3] = (crop.pixels[4 * i + 3] & 1) || (i % 5 == 0) ? 0 : 255;  // punch-through: 0 or 255
                r16[i] = uint16_t(crop.pixels[4 * i] * 257 + (i % 7));
                rg16[2 * i] = r16[i];
                rg16[2 * i + 1] = uint16_t(crop.pixels[4 * i + 1] * 251);
            }
            std::vector<uint8_t> alphaRGBA(crop.pixels);  // ETC2 RGBA keeps the full alpha
            for (FormatCase fc : kCases) {
                if (fc.format == ePF_ETC1) continue;
                if (q > 0 && (fc.format == ePF_EAC_R11 || fc.format == ePF_EAC_RG11 || fc.format == ePF_ETC2_RGB_A1))
                    continue;  // one encoder at every quality (same bytes, tested elsewhere)
                const void* src = fc.format == ePF_ETC2_RGB     ? static_cast<const void*>(rgb.data())
                                  : fc.format == ePF_ETC2_RGBA  ? static_cast<const void*>(alphaRGBA.data())
                                  : fc.format == ePF_ETC2_RGB_A1 ? static_cast<const void*>(rgba.data())
                                  : fc.format == ePF_EAC_R11    ? static_cast<const void*>(r16.data())
                                                                : static_cast<const void*>(rg16.data());
                std::vector<uint8_t> blocks(ETCCompress(nullptr, nullptr, size, size, q, fc.format, fc.isSigned));
                ASSERT_EQ(blocks.size(), ETCCompress(src, blocks.data(), size, size, q, fc.format, fc.isSigned, 2));
                EXPECT_EQ(0u, compareWithDriver(fc, blocks, int(size), int(size)))
                    << source.first << " " << fc.name << " quality " << q;
            }
        }
    }
}
