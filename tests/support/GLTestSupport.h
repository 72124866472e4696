#pragma once

#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/GLtexture.h"
#include "gui/paint/Image.h"
#include "platform/GLContext.h"
#include "platform/GLFunctions.h"
#include "support/DisplayWait.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

// What a texture upload asks for, as given.
struct MipmapOptions : kestrel::MipmapperInfo
{
    MipmapOptions(bool mipmaps, bool fade) : mipmaps(mipmaps), fade(fade) {}
    bool wantsCompression() const override { return false; }
    bool wantsMipmaps() const override { return mipmaps; }
    bool wantsFade() const override { return fade; }
    bool mipmaps, fade;
};

// A GL client that draws with a function.
struct LambdaClient : kestrel::GLclient
{
    explicit LambdaClient(std::function<void(kestrel::ImageBody&)> paint) : paint(std::move(paint)) {}
    void paintGL(kestrel::ImageBody& target) override { paint(target); }
    std::function<void(kestrel::ImageBody&)> paint;
};

// A copy of the driver's table, installed while it lives: tests replace entry points in it.
class ScopedGLTable : public plat::GLFunctions
{
public:
    ScopedGLTable() : plat::GLFunctions(plat::glDriver()) { plat::setGLFunctions(this); }
    ~ScopedGLTable() { plat::setGLFunctions(nullptr); }
    ScopedGLTable(const ScopedGLTable&) = delete;
    ScopedGLTable& operator=(const ScopedGLTable&) = delete;
};

// Clears colour and depth to the opaque colour.
inline void clearTo(float r, float g, float b)
{
    const float colour[4] = {r, g, b, 1.0f};
    kestrel::clearBuffers(colour, kestrel::ClearColour | kestrel::ClearDepth);
}

// Draws the bound texture on a quad from (x0, y0) to (x1, y1) with texture coordinates from s0
// to s1 on both axes.
inline void texturedQuad(float x0, float y0, float x1, float y1, float s0, float s1)
{
    kestrel::enableState(kestrel::GLStateId::Texture2D);
    kestrel::beginPrimitive(kestrel::Primitive::Quads);
    kestrel::texCoord2f(s0, s0);
    kestrel::vertex3f(x0, y0, 0.0f);
    kestrel::texCoord2f(s1, s0);
    kestrel::vertex3f(x1, y0, 0.0f);
    kestrel::texCoord2f(s1, s1);
    kestrel::vertex3f(x1, y1, 0.0f);
    kestrel::texCoord2f(s0, s1);
    kestrel::vertex3f(x0, y1, 0.0f);
    kestrel::endPrimitive();
}

// Whether the shared GL context of the display could be made, the display waited for
// (waitForDisplay); when it could not, the missing display is reported (reportMissingDisplay).
inline bool haveGLDisplay()
{
    if (waitForDisplay([] {
            kestrel::glSniffer();
            return kestrel::getGLcapabilities().valid;
        })) {
        return true;
    }
    reportMissingDisplay("no OpenGL display: " + plat::glLastError());
    return false;
}

// Display tests that need the shared context: made current before each test, which is skipped
// (failed under CI) when the display has none. Fixtures built on it set up nothing more without
// the display.
class GLDisplayTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_display = haveGLDisplay();
        if (m_display) {
            ASSERT_TRUE(kestrel::makeSharedContextCurrent());
        }
    }

    bool hasDisplay() const { return m_display; }

public:
    // Renders the function into a width x height image through the off-screen path.
    static kestrel::Image render(int width, int height, std::function<void(kestrel::ImageBody&)> paint)
    {
        kestrel::Image image(width, height);
        LambdaClient client(std::move(paint));
        EXPECT_TRUE(kestrel::renderToImage(image, client));
        return image;
    }

    // The pixel at (x, y) from the bottom-left, as 0xAARRGGBB.
    static std::uint32_t pixel(const kestrel::Image& image, int x, int y) { return *image.pixelAt(x, y); }

private:
    bool m_display = false;
};

// Records the names of the GL calls made while it is installed (integral arguments too) and
// passes every call on to the driver.
class GLRecorder
{
public:
    GLRecorder()
    {
        current() = this;
#define RECORDER_ENTRY(ret, name, params) m_table.name = &Forward<&plat::GLFunctions::name, Name_##name>::call;
        PLAT_GL_CORE_FUNCTIONS(RECORDER_ENTRY)
        PLAT_GL_EXTENSION_FUNCTIONS(RECORDER_ENTRY)
#undef RECORDER_ENTRY
        plat::setGLFunctions(&m_table);
    }
    ~GLRecorder()
    {
        plat::setGLFunctions(nullptr);
        current() = nullptr;
    }
    GLRecorder(const GLRecorder&) = delete;
    GLRecorder& operator=(const GLRecorder&) = delete;

    // Calls recorded so far, such as "BindBufferARB(34962,1)".
    const std::vector<std::string>& calls() const { return m_calls; }
    // A call as it is recorded with integral arguments, such as call("Enable", {GL_BLEND}).
    static std::string call(const char* name, std::initializer_list<long long> args)
    {
        std::string text;
        for (const long long a : args) {
            text += (text.empty() ? "" : ",") + std::to_string(a);
        }
        return name + ("(" + text + ")");
    }
    void clear() { m_calls.clear(); }
    // How many recorded calls start with the prefix (a name, or a name with "(" and arguments).
    int count(const std::string& prefix) const
    {
        return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(), StartsWith{prefix}));
    }
    // Position of the first call starting with prefix, -1 when none.
    int indexOf(const std::string& prefix) const
    {
        const auto found = std::find_if(m_calls.begin(), m_calls.end(), StartsWith{prefix});
        return found == m_calls.end() ? -1 : static_cast<int>(found - m_calls.begin());
    }

private:
    // Every entry point's name, to be given to its forwarder.
#define RECORDER_NAME(ret, name, params) static constexpr char Name_##name[] = #name;
    PLAT_GL_CORE_FUNCTIONS(RECORDER_NAME)
    PLAT_GL_EXTENSION_FUNCTIONS(RECORDER_NAME)
#undef RECORDER_NAME

    template <auto Member, const char* Name>
    struct Forward;

    template <typename R, typename... A, R (*plat::GLFunctions::*Member)(A...), const char* Name>
    struct Forward<Member, Name>
    {
        static R call(A... args)
        {
            std::string text;
            ((text += (text.empty() ? "" : ",") + describe(args)), ...);
            current()->m_calls.push_back(Name + ("(" + text + ")"));
            const auto real = plat::glDriver().*Member;
            if constexpr (std::is_void_v<R>) {
                if (real) {
                    real(args...);
                }
            } else {
                return real ? real(args...) : R{};
            }
        }
    };

    // An integral argument as its number, any other as "_" (never empty).
    template <typename T>
    static std::string describe(T value)
    {
        if constexpr (std::is_integral_v<T>) {
            return std::to_string(static_cast<long long>(value));
        } else {
            return "_";
        }
    }

    struct StartsWith
    {
        const std::string& prefix;
        bool operator()(const std::string& call) const { return call.compare(0, prefix.size(), prefix) == 0; }
    };

    static GLRecorder*& current()
    {
        static GLRecorder* recorder = nullptr;
        return recorder;
    }

    plat::GLFunctions m_table;
    std::vector<std::string> m_calls;
};
