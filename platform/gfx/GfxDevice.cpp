// SDL2 window, GL 3.3 context, render target, batching and state emulation.
#define GL_GLEXT_PROTOTYPES 1
#include "platform/gfx/GfxDevice.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

#include "platform/gfx/GfxShaders.h"

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#include <link.h>

// The GL driver keeps allocations until the process ends and is unloaded before the leak check
// runs, which leaves frames without names. Sanitizer builds keep the driver's libraries loaded and
// name them here, so that only leaks of our own code are reported.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:swrast_dri\nleak:libgallium\nleak:libEGL_mesa\nleak:libGLX_mesa\nleak:libLLVM\n"
           "leak:libglapi\nleak:libEGL.so\nleak:libGL.so\nleak:libGLX.so\nleak:libGLdispatch\n";
}

namespace {
int PinGlLibrary(struct dl_phdr_info* info, size_t, void*) {
    const char* name = info->dlpi_name;
    if (name && *name &&
        (std::strstr(name, "dri") || std::strstr(name, "mesa") || std::strstr(name, "gallium") ||
         std::strstr(name, "LLVM") || std::strstr(name, "glapi") || std::strstr(name, "libEGL") ||
         std::strstr(name, "libGL")))
        dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);  // the handle is kept on purpose
    return 0;
}
void PinGlLibraries() { dl_iterate_phdr(PinGlLibrary, nullptr); }
}  // namespace
#else
namespace {
void PinGlLibraries() {}
}  // namespace
#endif

namespace plat {

void KeepGlDriverLoaded() {
    PinGlLibraries();
}

class GfxTexture {
public:
    GLuint name = 0;
    bool hasAlpha = false;
    bool keyed = false;
    uint32_t keyRgb = 0;
};

class GfxSurface {
public:
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    GLuint name = 0;
    bool dirty = true;
};

namespace {

constexpr int kStateSlots = 64;

GLenum BlendFactor(uint32_t v) {
    switch (v) {
    case rs::kBlendZero: return GL_ZERO;
    case rs::kBlendOne: return GL_ONE;
    case rs::kBlendSrcColor: return GL_SRC_COLOR;
    case rs::kBlendInvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case rs::kBlendSrcAlpha: return GL_SRC_ALPHA;
    case rs::kBlendInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case rs::kBlendDestAlpha: return GL_DST_ALPHA;
    case rs::kBlendInvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case rs::kBlendDestColor: return GL_DST_COLOR;
    case rs::kBlendInvDestColor: return GL_ONE_MINUS_DST_COLOR;
    case rs::kBlendSrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum CompareFunc(uint32_t v) {
    switch (v) {
    case rs::kCmpNever: return GL_NEVER;
    case rs::kCmpLess: return GL_LESS;
    case rs::kCmpEqual: return GL_EQUAL;
    case rs::kCmpLessEqual: return GL_LEQUAL;
    case rs::kCmpGreater: return GL_GREATER;
    case rs::kCmpNotEqual: return GL_NOTEQUAL;
    case rs::kCmpGreaterEqual: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum AddressMode(uint32_t v) {
    switch (v) {
    case rs::kAddressMirror: return GL_MIRRORED_REPEAT;
    case rs::kAddressClamp: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

GLenum MagFilter(uint32_t v) {
    // Only the texel filter matters for magnification.
    return (v == rs::kFilterLinear || v == rs::kFilterMipLinear || v == rs::kFilterLinearMipLinear)
               ? GL_LINEAR
               : GL_NEAREST;
}

GLenum MinFilter(uint32_t v) {
    switch (v) {
    case rs::kFilterLinear: return GL_LINEAR;
    case rs::kFilterMipNearest: return GL_NEAREST_MIPMAP_NEAREST;
    case rs::kFilterMipLinear: return GL_LINEAR_MIPMAP_NEAREST;
    case rs::kFilterLinearMipNearest: return GL_NEAREST_MIPMAP_LINEAR;
    case rs::kFilterLinearMipLinear: return GL_LINEAR_MIPMAP_LINEAR;
    default: return GL_NEAREST;
    }
}

GLuint Compile(GLenum kind, const char* source, std::string* log) {
    GLuint s = glCreateShader(kind);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        glGetShaderInfoLog(s, sizeof text, nullptr, text);
        *log += text;
        glDeleteShader(s);
        return 0;
    }
    return s;
}

GLuint Link(const char* vs, const char* fs, std::string* log) {
    GLuint v = Compile(GL_VERTEX_SHADER, vs, log);
    GLuint f = Compile(GL_FRAGMENT_SHADER, fs, log);
    if (!v || !f) return 0;
    GLuint p = glCreateProgram();
    glAttachShader(p, v);
    glAttachShader(p, f);
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        glGetProgramInfoLog(p, sizeof text, nullptr, text);
        *log += text;
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

float BitsToFloat(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

}  // namespace

struct GfxDevice::Impl {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool ownsVideo = false;
    bool keepAspect = true;
    // Storage for a whole chain in one call, where the driver offers it: the levels are then
    // written straight into the texture instead of being kept apart and copied when first used.
    PFNGLTEXSTORAGE2DPROC texStorage2D = nullptr;
    GLuint fbo = 0, colour = 0, depth = 0;
    GLuint sceneProgram = 0, blitProgram = 0;
    GLuint sceneVao = 0, sceneVbo = 0, sceneIbo = 0;
    GLuint blitVao = 0, blitVbo = 0;
    std::unordered_map<std::string, GLint> uniforms;

    uint32_t states[kStateSlots] = {};
    std::map<uint32_t, uint32_t> otherStates;
    GfxTexture* texture = nullptr;
    GfxTexture* stages[kTextureStages] = {};  // [0] unused: stage 0 is `texture`
    GfxRect clip{0, 0, 0, 0};
    std::map<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>, GLuint> samplers;

    // The batch being gathered: vertices and 32-bit indices into them, all under the current state.
    std::vector<GfxVertex> batchVertices;
    std::vector<uint32_t> batchIndices;

    GLint Uniform(const char* name) {
        auto it = uniforms.find(name);
        if (it != uniforms.end()) return it->second;
        GLint loc = glGetUniformLocation(sceneProgram, name);
        uniforms.emplace(name, loc);
        return loc;
    }

    GLuint Sampler() {
        auto key = std::make_tuple(states[rs::kTextureMag], states[rs::kTextureMin], states[rs::kAddressU],
                                   states[rs::kAddressV]);
        auto it = samplers.find(key);
        if (it != samplers.end()) return it->second;
        GLuint s = 0;
        glGenSamplers(1, &s);
        glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, MagFilter(std::get<0>(key)));
        glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, MinFilter(std::get<1>(key)));
        glSamplerParameteri(s, GL_TEXTURE_WRAP_S, AddressMode(std::get<2>(key)));
        glSamplerParameteri(s, GL_TEXTURE_WRAP_T, AddressMode(std::get<3>(key)));
        samplers.emplace(key, s);
        return s;
    }
};

// States whose value changes what a batch draws: changing them ends the batch.
static bool AffectsDrawing(uint32_t state) {
    switch (state) {
    case rs::kTextureAddress: case rs::kTexturePerspective: case rs::kZEnable: case rs::kZWriteEnable:
    case rs::kAlphaTestEnable: case rs::kTextureMag: case rs::kTextureMin: case rs::kSrcBlend:
    case rs::kDestBlend: case rs::kTextureMapBlend: case rs::kCullMode: case rs::kZFunc:
    case rs::kAlphaRef: case rs::kAlphaFunc: case rs::kAlphaBlendEnable: case rs::kFogEnable:
    case rs::kFogColor: case rs::kFogTableMode: case rs::kFogTableStart: case rs::kFogTableEnd:
    case rs::kFogTableDensity: case rs::kColorKeyEnable: case rs::kAddressU: case rs::kAddressV:
        return true;
    default:
        return false;
    }
}

std::unique_ptr<GfxDevice> GfxDevice::Create(const GfxConfig& config, std::string* error) {
    std::string local;
    std::string& err = error ? *error : local;
    std::unique_ptr<GfxDevice> dev(new GfxDevice);
    dev->impl_ = std::make_unique<Impl>();
    Impl& im = *dev->impl_;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            err = std::string("video: ") + SDL_GetError();
            return nullptr;
        }
        im.ownsVideo = true;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    Uint32 flags = SDL_WINDOW_OPENGL | (config.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN) |
                   (config.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
    im.window = SDL_CreateWindow(config.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 config.windowWidth, config.windowHeight, flags);
    if (!im.window) {
        err = std::string("window: ") + SDL_GetError();
        return nullptr;
    }
    im.context = SDL_GL_CreateContext(im.window);
    if (!im.context) {
        err = std::string("context: ") + SDL_GetError();
        return nullptr;
    }
    SDL_GL_SetSwapInterval(config.swapInterval);
    im.keepAspect = config.keepAspect;
    PinGlLibraries();
    if (SDL_GL_ExtensionSupported("GL_ARB_texture_storage"))
        im.texStorage2D = reinterpret_cast<PFNGLTEXSTORAGE2DPROC>(SDL_GL_GetProcAddress("glTexStorage2D"));

    std::string log;
    im.sceneProgram = Link(gfxshaders::kSceneVertex, gfxshaders::kSceneFragment, &log);
    im.blitProgram = Link(gfxshaders::kBlitVertex, gfxshaders::kBlitFragment, &log);
    if (!im.sceneProgram || !im.blitProgram) {
        err = "context: " + log;
        return nullptr;
    }

    glGenVertexArrays(1, &im.sceneVao);
    glBindVertexArray(im.sceneVao);
    glGenBuffers(1, &im.sceneVbo);
    glGenBuffers(1, &im.sceneIbo);
    glBindBuffer(GL_ARRAY_BUFFER, im.sceneVbo);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, im.sceneIbo);
    const GLsizei stride = sizeof(GfxVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GfxVertex, sx)));
    // ARGB words are the bytes B, G, R, A in memory: GL_BGRA turns them into red, green, blue, alpha.
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<void*>(offsetof(GfxVertex, diffuse)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<void*>(offsetof(GfxVertex, specular)));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(GfxVertex, u)));

    glGenVertexArrays(1, &im.blitVao);
    glBindVertexArray(im.blitVao);
    glGenBuffers(1, &im.blitVbo);
    glBindBuffer(GL_ARRAY_BUFFER, im.blitVbo);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<void*>(8));
    glBindVertexArray(0);

    // The device's initial states, as the original device started.
    im.states[rs::kTextureAddress] = rs::kAddressWrap;
    im.states[rs::kAddressU] = rs::kAddressWrap;
    im.states[rs::kAddressV] = rs::kAddressWrap;
    im.states[rs::kTexturePerspective] = 1;
    im.states[rs::kZEnable] = 1;
    im.states[rs::kZWriteEnable] = 1;
    im.states[rs::kTextureMag] = rs::kFilterNearest;
    im.states[rs::kTextureMin] = rs::kFilterNearest;
    im.states[rs::kSrcBlend] = rs::kBlendOne;
    im.states[rs::kDestBlend] = rs::kBlendZero;
    im.states[rs::kTextureMapBlend] = rs::kTBlendModulate;
    im.states[rs::kCullMode] = rs::kCullCCW;
    im.states[rs::kZFunc] = rs::kCmpLessEqual;
    im.states[rs::kAlphaFunc] = rs::kCmpAlways;
    im.states[rs::kFogTableEnd] = 0x3F800000;  // 1.0
    im.states[rs::kFogTableDensity] = 0x3F800000;

    if (!dev->SetRenderSize(config.renderWidth, config.renderHeight)) {
        err = "target: cannot make the render target";
        return nullptr;
    }
    return dev;
}

GfxDevice::~GfxDevice() {
    if (!impl_) return;
    Impl& im = *impl_;
    if (im.context) {
        for (auto& [key, s] : im.samplers) glDeleteSamplers(1, &s);
        if (im.fbo) glDeleteFramebuffers(1, &im.fbo);
        if (im.colour) glDeleteTextures(1, &im.colour);
        if (im.depth) glDeleteRenderbuffers(1, &im.depth);
        glDeleteBuffers(1, &im.sceneVbo);
        glDeleteBuffers(1, &im.sceneIbo);
        glDeleteBuffers(1, &im.blitVbo);
        glDeleteVertexArrays(1, &im.sceneVao);
        glDeleteVertexArrays(1, &im.blitVao);
        if (im.sceneProgram) glDeleteProgram(im.sceneProgram);
        if (im.blitProgram) glDeleteProgram(im.blitProgram);
        SDL_GL_DeleteContext(im.context);
    }
    if (im.window) SDL_DestroyWindow(im.window);
    if (im.ownsVideo) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::string GfxDevice::RendererName() const {
    const GLubyte* name = glGetString(GL_RENDERER);
    return name ? reinterpret_cast<const char*>(name) : "OpenGL";
}

GfxFeatures GfxDevice::Features() const {
    GfxFeatures f;
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    while (glGetError() != GL_NO_ERROR) {
    }
    const bool gl33 = major > 3 || (major == 3 && minor >= 3);
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    GLint depthBits = 0;
    const Impl& im = *impl_;
    if (im.fbo) {
        GLint bound = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        glBindFramebuffer(GL_FRAMEBUFFER, im.fbo);
        GLint type = GL_NONE;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        if (type != GL_NONE)
            glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                                  GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depthBits);
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(bound));
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    // The scene shader does shading, perspective, colour keying and blending: a 3.3 context runs it.
    f.zBuffer = depthBits >= 16;
    f.gouraud = gl33;
    f.perspective = gl33;
    f.chromaKey = gl33;
    f.alphaBlend = gl33;
    f.bilinear = gl33 && maxTexture >= 256;
    // Mip levels are uploaded by the device and sampled with GL_LINEAR_MIPMAP_LINEAR (core since 3.0).
    f.mipMapping = gl33 && maxTexture >= 256;
    f.trilinear = f.mipMapping;
    return f;
}

GfxFeatures GfxDevice::ProbeFeatures() {
    GfxConfig c;
    c.windowWidth = c.renderWidth = 64;
    c.windowHeight = c.renderHeight = 48;
    c.hidden = true;
    c.swapInterval = 0;
    std::string error;
    std::unique_ptr<GfxDevice> probe = Create(c, &error);
    return probe ? probe->Features() : GfxFeatures{};
}

std::vector<GfxDisplayMode> GfxDevice::DisplayModes() {
    std::vector<GfxDisplayMode> modes;
    bool started = false;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return modes;
        started = true;
    }
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w > 0 && m.h > 0)
            modes.push_back({m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format))});
    }
    SDL_DisplayMode desk;
    if (SDL_GetDesktopDisplayMode(0, &desk) == 0 && desk.w > 0 && desk.h > 0) {
        GfxDisplayMode d{desk.w, desk.h, static_cast<int>(SDL_BITSPERPIXEL(desk.format))};
        bool known = std::any_of(modes.begin(), modes.end(), [&](const GfxDisplayMode& m) {
            return m.width == d.width && m.height == d.height && m.bitsPerPixel == d.bitsPerPixel;
        });
        if (!known) modes.push_back(d);
    }
    if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return modes;
}

bool GfxDevice::SetRenderSize(int width, int height) {
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return false;
    Flush();
    Impl& im = *impl_;
    if (!im.fbo) glGenFramebuffers(1, &im.fbo);
    if (!im.colour) glGenTextures(1, &im.colour);
    if (!im.depth) glGenRenderbuffers(1, &im.depth);
    glBindTexture(GL_TEXTURE_2D, im.colour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindRenderbuffer(GL_RENDERBUFFER, im.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, im.fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, im.colour, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, im.depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
    renderWidth_ = width;
    renderHeight_ = height;
    im.clip = {0, 0, width, height};
    glViewport(0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}

void GfxDevice::SetWindowSize(int width, int height) {
    if (width > 0 && height > 0) SDL_SetWindowSize(impl_->window, width, height);
}

void GfxDevice::SetClipRect(const GfxRect& rect) {
    Impl& im = *impl_;
    GfxRect r{std::clamp(rect.left, 0, renderWidth_), std::clamp(rect.top, 0, renderHeight_),
              std::clamp(rect.right, 0, renderWidth_), std::clamp(rect.bottom, 0, renderHeight_)};
    if (std::memcmp(&r, &im.clip, sizeof r) == 0) return;
    Flush();
    im.clip = r;
}

// Scissor in GL's bottom-up rows for a top-down rectangle.
static void Scissor(const GfxRect& r, int height) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.left, height - r.bottom, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
}

void GfxDevice::ClearDepth(const GfxRect& rect, float depth) {
    Flush();
    glBindFramebuffer(GL_FRAMEBUFFER, impl_->fbo);
    Scissor(rect, renderHeight_);
    glDepthMask(GL_TRUE);
    glClearDepth(depth);
    glClear(GL_DEPTH_BUFFER_BIT);
}

void GfxDevice::ClearColour(const GfxRect& rect, uint32_t argb) {
    Flush();
    glBindFramebuffer(GL_FRAMEBUFFER, impl_->fbo);
    Scissor(rect, renderHeight_);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                 (argb >> 24) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void GfxDevice::SetRenderState(uint32_t state, uint32_t value) {
    Impl& im = *impl_;
    if (state == rs::kFlushBatch) {
        Flush();
        return;
    }
    if (state >= kStateSlots) {
        im.otherStates[state] = value;
        return;
    }
    if (im.states[state] == value) return;
    if (AffectsDrawing(state)) Flush();
    im.states[state] = value;
    if (state == rs::kTextureAddress) {
        im.states[rs::kAddressU] = value;
        im.states[rs::kAddressV] = value;
    }
}

uint32_t GfxDevice::RenderState(uint32_t state) const {
    if (state < kStateSlots) return impl_->states[state];
    auto it = impl_->otherStates.find(state);
    return it == impl_->otherStates.end() ? 0 : it->second;
}

void GfxDevice::SetTexture(GfxTexture* texture) {
    if (texture == impl_->texture) return;
    Flush();
    impl_->texture = texture;
}

void GfxDevice::SetStageTexture(int stage, GfxTexture* texture) {
    if (stage == 0) return SetTexture(texture);
    if (stage < 0 || stage >= kTextureStages || impl_->stages[stage] == texture) return;
    Flush();
    impl_->stages[stage] = texture;
}

void GfxDevice::DrawIndexed(uint32_t primitiveType, const GfxVertex* vertices, uint32_t vertexCount,
                            const uint16_t* indices, uint32_t indexCount) {
    if (!vertices || !indices || vertexCount == 0 || indexCount < 3) return;
    Impl& im = *impl_;
    const uint32_t base = static_cast<uint32_t>(im.batchVertices.size());
    // Triangles are gathered as a list; an index beyond the vertices, or a vertex whose position
    // is not a number (a point on the eye plane projects to infinity), drops its triangle.
    auto finite = [&](uint16_t i) {
        const GfxVertex& v = vertices[i];
        return std::isfinite(v.sx) && std::isfinite(v.sy) && std::isfinite(v.sz) && std::isfinite(v.rhw);
    };
    auto add = [&](uint16_t a, uint16_t b, uint16_t c) {
        if (a >= vertexCount || b >= vertexCount || c >= vertexCount) return;
        if (!finite(a) || !finite(b) || !finite(c)) return;
        im.batchIndices.push_back(base + a);
        im.batchIndices.push_back(base + b);
        im.batchIndices.push_back(base + c);
    };
    if (primitiveType == rs::kTriangleStrip) {
        for (uint32_t i = 0; i + 2 < indexCount; ++i) {
            if (i & 1) add(indices[i + 1], indices[i], indices[i + 2]);
            else add(indices[i], indices[i + 1], indices[i + 2]);
        }
    } else if (primitiveType == rs::kTriangleFan) {
        for (uint32_t i = 1; i + 1 < indexCount; ++i) add(indices[0], indices[i], indices[i + 1]);
    } else if (primitiveType == rs::kTriangleList) {
        for (uint32_t i = 0; i + 2 < indexCount; i += 3) add(indices[i], indices[i + 1], indices[i + 2]);
    } else {
        return;  // points and lines are not used by the game
    }
    im.batchVertices.insert(im.batchVertices.end(), vertices, vertices + vertexCount);
}

void GfxDevice::Flush() {
    Impl& im = *impl_;
    if (im.batchIndices.empty()) {
        im.batchVertices.clear();
        return;
    }
    const uint32_t* s = im.states;
    glBindFramebuffer(GL_FRAMEBUFFER, im.fbo);
    glViewport(0, 0, renderWidth_, renderHeight_);
    Scissor(im.clip, renderHeight_);
    glUseProgram(im.sceneProgram);
    glBindVertexArray(im.sceneVao);
    glBindBuffer(GL_ARRAY_BUFFER, im.sceneVbo);
    glBufferData(GL_ARRAY_BUFFER, im.batchVertices.size() * sizeof(GfxVertex), im.batchVertices.data(),
                 GL_STREAM_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, im.sceneIbo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, im.batchIndices.size() * 4, im.batchIndices.data(), GL_STREAM_DRAW);

    // Depth.
    if (s[rs::kZEnable]) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunc(s[rs::kZFunc]));
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(s[rs::kZEnable] && s[rs::kZWriteEnable] ? GL_TRUE : GL_FALSE);
    // Culling by the winding seen on screen; the row flip keeps what is seen, so a triangle that
    // runs counter-clockwise on screen is counter-clockwise (front-facing) for GL too.
    if (s[rs::kCullMode] == rs::kCullCCW) {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_FRONT);
    } else if (s[rs::kCullMode] == rs::kCullCW) {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
    } else {
        glDisable(GL_CULL_FACE);
    }
    // Blending.
    if (s[rs::kAlphaBlendEnable]) {
        glEnable(GL_BLEND);
        glBlendFunc(BlendFactor(s[rs::kSrcBlend]), BlendFactor(s[rs::kDestBlend]));
    } else {
        glDisable(GL_BLEND);
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    // Texture and the fragment emulation.
    GfxTexture* t = im.texture;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, t ? t->name : 0);
    glBindSampler(0, t ? im.Sampler() : 0);
    // Stages 1.. on texture units 1.., each sampled like stage 0.
    GLint stageUnits[kTextureStages - 1], stageOn[kTextureStages - 1];
    for (int i = 1; i < kTextureStages; ++i) {
        GfxTexture* st = im.stages[i];
        stageUnits[i - 1] = i;
        stageOn[i - 1] = st ? 1 : 0;
        if (!st) continue;
        glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + i));
        glBindTexture(GL_TEXTURE_2D, st->name);
        glBindSampler(static_cast<GLuint>(i), im.Sampler());
    }
    glActiveTexture(GL_TEXTURE0);
    glUniform1iv(im.Uniform("uStage"), kTextureStages - 1, stageUnits);
    glUniform1iv(im.Uniform("uStageOn"), kTextureStages - 1, stageOn);
    glUniform2f(im.Uniform("uTarget"), static_cast<float>(renderWidth_), static_cast<float>(renderHeight_));
    glUniform1i(im.Uniform("uTex"), 0);
    glUniform1i(im.Uniform("uHasTex"), t ? 1 : 0);
    glUniform1i(im.Uniform("uTexAlpha"), t && t->hasAlpha ? 1 : 0);
    glUniform1i(im.Uniform("uTBlend"), static_cast<GLint>(s[rs::kTextureMapBlend]));
    glUniform1i(im.Uniform("uPerspective"), s[rs::kTexturePerspective] ? 1 : 0);
    const bool keyed = t && t->keyed && s[rs::kColorKeyEnable];
    glUniform1i(im.Uniform("uColourKey"), keyed ? 1 : 0);
    if (keyed)
        glUniform3f(im.Uniform("uKey"), ((t->keyRgb >> 16) & 0xFF) / 255.0f, ((t->keyRgb >> 8) & 0xFF) / 255.0f,
                    (t->keyRgb & 0xFF) / 255.0f);
    glUniform1i(im.Uniform("uAlphaTest"), s[rs::kAlphaTestEnable] ? 1 : 0);
    glUniform1i(im.Uniform("uAlphaFunc"), static_cast<GLint>(s[rs::kAlphaFunc]));
    glUniform1f(im.Uniform("uAlphaRef"), static_cast<float>(s[rs::kAlphaRef] & 0xFF));
    int fogMode = 0;
    if (s[rs::kFogEnable]) {
        switch (s[rs::kFogTableMode]) {
        case rs::kFogLinear: fogMode = 2; break;
        case rs::kFogExp: fogMode = 3; break;
        case rs::kFogExp2: fogMode = 4; break;
        default: fogMode = 1; break;
        }
    }
    glUniform1i(im.Uniform("uFogMode"), fogMode);
    glUniform1f(im.Uniform("uFogStart"), BitsToFloat(s[rs::kFogTableStart]));
    glUniform1f(im.Uniform("uFogEnd"), BitsToFloat(s[rs::kFogTableEnd]));
    glUniform1f(im.Uniform("uFogDensity"), BitsToFloat(s[rs::kFogTableDensity]));
    const uint32_t fc = s[rs::kFogColor];
    glUniform3f(im.Uniform("uFogColour"), ((fc >> 16) & 0xFF) / 255.0f, ((fc >> 8) & 0xFF) / 255.0f,
                (fc & 0xFF) / 255.0f);

    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(im.batchIndices.size()), GL_UNSIGNED_INT, nullptr);
    ++drawCalls_;
    im.batchVertices.clear();
    im.batchIndices.clear();
}

GfxTexture* GfxDevice::CreateTexture(const std::vector<GfxLevel>& levels, bool hasAlpha) {
    std::vector<GfxLevelView> views;
    views.reserve(levels.size());
    for (const GfxLevel& l : levels) {
        if (l.width <= 0 || l.height <= 0 || l.rgba.size() < static_cast<size_t>(l.width) * l.height * 4)
            return nullptr;
        views.push_back({l.width, l.height, l.rgba.data()});
    }
    return CreateTexture(views.data(), views.size(), hasAlpha);
}

namespace {

// True when every level is its larger level halved (sides rounded down, at least 1), as storage
// for a whole chain requires.
bool IsFullHalvingChain(const GfxLevelView* levels, size_t count) {
    int maxSide = std::max(levels[0].width, levels[0].height);
    size_t possible = 1;
    while (maxSide > 1) maxSide /= 2, ++possible;
    if (count > possible) return false;
    for (size_t i = 1; i < count; ++i)
        if (levels[i].width != std::max(1, levels[i - 1].width / 2) ||
            levels[i].height != std::max(1, levels[i - 1].height / 2))
            return false;
    return true;
}

}  // namespace

GfxTexture* GfxDevice::CreateTexture(const GfxLevelView* levels, size_t count, bool hasAlpha) {
    if (!levels || count == 0) return nullptr;
    for (size_t i = 0; i < count; ++i)
        if (levels[i].width <= 0 || levels[i].height <= 0 || !levels[i].rgba) return nullptr;
    Flush();
    auto* t = new GfxTexture;
    t->hasAlpha = hasAlpha;
    glGenTextures(1, &t->name);
    glBindTexture(GL_TEXTURE_2D, t->name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (impl_->texStorage2D && IsFullHalvingChain(levels, count)) {
        // One allocation for the chain in the format the texels already have, then each level
        // copied into its place.
        impl_->texStorage2D(GL_TEXTURE_2D, static_cast<GLsizei>(count), GL_RGBA8, levels[0].width,
                            levels[0].height);
        for (size_t i = 0; i < count; ++i)
            glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), 0, 0, levels[i].width, levels[i].height, GL_RGBA,
                            GL_UNSIGNED_BYTE, levels[i].rgba);
    } else {
        // A chain whose sizes do not halve level by level is uploaded level by level.
        for (size_t i = 0; i < count; ++i)
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, levels[i].width, levels[i].height, 0,
                         GL_RGBA, GL_UNSIGNED_BYTE, levels[i].rgba);
    }
    // A chain that stops early must still be complete, or the texture would sample black.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(count - 1));
    glBindTexture(GL_TEXTURE_2D, 0);
    return t;
}

void GfxDevice::DestroyTexture(GfxTexture* texture) {
    if (!texture) return;
    Flush();
    if (impl_->texture == texture) impl_->texture = nullptr;
    for (GfxTexture*& st : impl_->stages)
        if (st == texture) st = nullptr;
    glDeleteTextures(1, &texture->name);
    delete texture;
}

void GfxDevice::SetColourKey(GfxTexture* texture, bool enabled, uint32_t rgb) {
    if (!texture) return;
    if (texture == impl_->texture) Flush();
    texture->keyed = enabled;
    texture->keyRgb = rgb & 0xFFFFFF;
}

GfxSurface* GfxDevice::CreateSurface(int width, int height) {
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return nullptr;
    auto* s = new GfxSurface;
    s->width = width;
    s->height = height;
    s->pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    for (size_t i = 3; i < s->pixels.size(); i += 4) s->pixels[i] = 255;
    return s;
}

void GfxDevice::DestroySurface(GfxSurface* surface) {
    if (!surface) return;
    if (surface->name) glDeleteTextures(1, &surface->name);
    delete surface;
}

int GfxDevice::SurfaceWidth(const GfxSurface* surface) { return surface ? surface->width : 0; }
int GfxDevice::SurfaceHeight(const GfxSurface* surface) { return surface ? surface->height : 0; }
uint8_t* GfxDevice::SurfacePixels(GfxSurface* surface) { return surface ? surface->pixels.data() : nullptr; }
void GfxDevice::SurfaceChanged(GfxSurface* surface) {
    if (surface) surface->dirty = true;
}

// Clips a rectangle to a surface; false when nothing remains.
static bool ClipRect(const GfxRect* in, int w, int h, GfxRect* out) {
    GfxRect r = in ? *in : GfxRect{0, 0, w, h};
    r.left = std::clamp(r.left, 0, w);
    r.right = std::clamp(r.right, 0, w);
    r.top = std::clamp(r.top, 0, h);
    r.bottom = std::clamp(r.bottom, 0, h);
    *out = r;
    return r.right > r.left && r.bottom > r.top;
}

void GfxDevice::BlitSurface(const GfxSurface* source, const GfxRect* sourceRect, GfxSurface* dest,
                            const GfxRect* destRect) {
    if (!source || !dest) return;
    GfxRect sr, dr;
    if (!ClipRect(sourceRect, source->width, source->height, &sr)) return;
    if (!ClipRect(destRect, dest->width, dest->height, &dr)) return;
    const int sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    const int dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    std::vector<uint8_t> copy;
    const uint8_t* src = source->pixels.data();
    if (source == dest) {  // overlapping copy on one surface: read from a snapshot
        copy = source->pixels;
        src = copy.data();
    }
    for (int y = 0; y < dh; ++y) {
        const int sy = sr.top + static_cast<int>((static_cast<int64_t>(y) * sh) / dh);
        for (int x = 0; x < dw; ++x) {
            const int sx = sr.left + static_cast<int>((static_cast<int64_t>(x) * sw) / dw);
            std::memcpy(&dest->pixels[(static_cast<size_t>(dr.top + y) * dest->width + dr.left + x) * 4],
                        &src[(static_cast<size_t>(sy) * source->width + sx) * 4], 4);
        }
    }
    dest->dirty = true;
}

void GfxDevice::BlitToScreen(GfxSurface* source, const GfxRect* sourceRect, const GfxRect& destRect) {
    if (!source) return;
    GfxRect sr;
    if (!ClipRect(sourceRect, source->width, source->height, &sr)) return;
    if (destRect.right <= destRect.left || destRect.bottom <= destRect.top) return;
    Flush();
    Impl& im = *impl_;
    if (!source->name) {
        glGenTextures(1, &source->name);
        source->dirty = true;
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, source->name);
    glBindSampler(0, 0);
    if (source->dirty) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, source->width, source->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     source->pixels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        source->dirty = false;
    }
    const float W = static_cast<float>(renderWidth_), H = static_cast<float>(renderHeight_);
    const float x0 = destRect.left / W * 2 - 1, x1 = destRect.right / W * 2 - 1;
    const float y0 = 1 - destRect.top / H * 2, y1 = 1 - destRect.bottom / H * 2;
    const float u0 = static_cast<float>(sr.left) / source->width, u1 = static_cast<float>(sr.right) / source->width;
    const float v0 = static_cast<float>(sr.top) / source->height, v1 = static_cast<float>(sr.bottom) / source->height;
    const float quad[] = {x0, y0, u0, v0, x1, y0, u1, v0, x0, y1, u0, v1, x1, y1, u1, v1};
    glBindFramebuffer(GL_FRAMEBUFFER, im.fbo);
    glViewport(0, 0, renderWidth_, renderHeight_);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glUseProgram(im.blitProgram);
    glUniform1i(glGetUniformLocation(im.blitProgram, "uTex"), 0);
    glBindVertexArray(im.blitVao);
    glBindBuffer(GL_ARRAY_BUFFER, im.blitVbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    ++drawCalls_;
    glBindVertexArray(0);
}

void GfxDevice::CopyBackBufferToSurface(GfxSurface* dest) {
    if (!dest) return;
    std::vector<uint8_t> frame = ReadFrame();
    GfxSurface whole;
    whole.width = renderWidth_;
    whole.height = renderHeight_;
    whole.pixels = std::move(frame);
    BlitSurface(&whole, nullptr, dest, nullptr);
}

GfxRect GfxDevice::PresentRect(int ww, int wh) {
    int w = ww, h = ww * 3 / 4;
    if (h > wh) {
        h = wh;
        w = wh * 4 / 3;
    }
    const int x = (ww - w) / 2, y = (wh - h) / 2;
    return {x, y, x + w, y + h};
}

void GfxDevice::Present() {
    Flush();
    Impl& im = *impl_;
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(im.window, &ww, &wh);
    const GfxRect r = im.keepAspect ? PresentRect(ww, wh) : GfxRect{0, 0, ww, wh};
    const int x = r.left, y = r.top, w = r.right - r.left, h = r.bottom - r.top;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, im.fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBlitFramebuffer(0, 0, renderWidth_, renderHeight_, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(im.window);
    glBindFramebuffer(GL_FRAMEBUFFER, im.fbo);
}

void GfxDevice::Finish() {
    Flush();
    glFinish();
}

std::vector<uint8_t> GfxDevice::ReadFrame() {
    Flush();
    const size_t row = static_cast<size_t>(renderWidth_) * 4;
    std::vector<uint8_t> bottomUp(row * renderHeight_), frame(row * renderHeight_);
    glBindFramebuffer(GL_FRAMEBUFFER, impl_->fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, renderWidth_, renderHeight_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < renderHeight_; ++y)
        std::memcpy(&frame[y * row], &bottomUp[(renderHeight_ - 1 - y) * row], row);
    return frame;
}

bool GfxDevice::ReadDepth(int x, int y, float* depth) {
    if (x < 0 || y < 0 || x >= renderWidth_ || y >= renderHeight_ || !depth) return false;
    Flush();
    glBindFramebuffer(GL_FRAMEBUFFER, impl_->fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, renderHeight_ - 1 - y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, depth);
    return true;
}

}  // namespace plat
