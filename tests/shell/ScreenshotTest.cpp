// Runs the demo under Xvfb and checks its screenshots: not blank, and the Chinese texts drawn
// as the font's glyphs (a missing font would leave boxes or nothing).
#include <FontManager.h>

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>

namespace {

bool HaveXvfb() { return std::system("command -v xvfb-run >/dev/null 2>&1 && command -v Xvfb >/dev/null 2>&1") == 0; }

struct Mask {
    int w = 0, h = 0;
    std::vector<unsigned char> ink;
    bool at(int x, int y) const { return ink[static_cast<size_t>(y * w + x)] != 0; }
};

Uint32 Pixel(SDL_Surface* s, int x, int y) { return static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x]; }
int Luma(Uint32 p) { return static_cast<int>(((p >> 16) & 0xFF) * 3 + ((p >> 8) & 0xFF) * 6 + (p & 0xFF)) / 10; }

// The text as the font draws it, cropped to its ink.
Mask RenderReference(const char* utf8, int px) {
    Mask m;
    TTF_Font* font = TTF_OpenFontIndex(DuiLib::FontManager::LocateCjkFont().c_str(), px, 0);
    if (!font) return m;
    TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
    SDL_Surface* raw = TTF_RenderUTF8_Blended(font, utf8, SDL_Color{255, 255, 255, 255});
    TTF_CloseFont(font);
    if (!raw) return m;
    SDL_Surface* s = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(raw);
    int x0 = s->w, y0 = s->h, x1 = -1, y1 = -1;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if ((Pixel(s, x, y) >> 24) > 110) { x0 = std::min(x0, x); y0 = std::min(y0, y); x1 = std::max(x1, x); y1 = std::max(y1, y); }
    if (x1 >= 0) {
        m.w = x1 - x0 + 1;
        m.h = y1 - y0 + 1;
        m.ink.resize(static_cast<size_t>(m.w * m.h));
        for (int y = 0; y < m.h; ++y)
            for (int x = 0; x < m.w; ++x) m.ink[static_cast<size_t>(y * m.w + x)] = (Pixel(s, x0 + x, y0 + y) >> 24) > 110;
    }
    SDL_FreeSurface(s);
    return m;
}

// Best agreement of the reference's ink with light pixels of the shot, anywhere in the region.
double BestMatch(SDL_Surface* shot, const Mask& ref, SDL_Rect region) {
    double best = 0;
    for (int oy = region.y; oy + ref.h <= std::min(shot->h, region.y + region.h); ++oy) {
        for (int ox = region.x; ox + ref.w <= std::min(shot->w, region.x + region.w); ++ox) {
            int both = 0, either = 0;
            for (int y = 0; y < ref.h; ++y)
                for (int x = 0; x < ref.w; ++x) {
                    bool a = ref.at(x, y);
                    bool b = Luma(Pixel(shot, ox + x, oy + y)) > 120;
                    both += a && b;
                    either += a || b;
                }
            if (either) best = std::max(best, static_cast<double>(both) / either);
        }
    }
    return best;
}

class ScreenshotTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!HaveXvfb()) return;
        char tmpl[] = "/tmp/kelvo-shots-XXXXXX";
        s_dir = mkdtemp(tmpl);
        std::string bin = std::string(std::getenv("KELVO_BUILD_DIR") ? std::getenv("KELVO_BUILD_DIR") : ".") + "/bin/duilib_demo";
        std::string cmd = "SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 timeout 40 xvfb-run -a -s '-screen 0 1280x800x24' '" +
                          bin + "' --shot '" + s_dir + "' >/dev/null 2>&1";
        s_status = std::system(cmd.c_str());
        SDL_Init(0);
        TTF_Init();
    }
    static void TearDownTestSuite() {
        if (!s_dir.empty()) std::system(("rm -rf '" + s_dir + "'").c_str());
        TTF_Quit();
        SDL_Quit();
    }
    void SetUp() override {
        if (!HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_EQ(0, s_status) << "the demo failed under Xvfb";
    }
    static SDL_Surface* Load(const char* name) {
        SDL_Surface* raw = IMG_Load((s_dir + "/" + name).c_str());
        if (!raw) return nullptr;
        SDL_Surface* s = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(raw);
        return s;
    }
    void ExpectText(SDL_Surface* shot, const char* utf8, int px, SDL_Rect region) {
        Mask ref = RenderReference(utf8, px);
        ASSERT_GT(ref.w, 0) << utf8;
        EXPECT_GT(BestMatch(shot, ref, region), 0.8) << utf8;
    }
    static std::string s_dir;
    static int s_status;
};
std::string ScreenshotTest::s_dir;
int ScreenshotTest::s_status = -1;

TEST_F(ScreenshotTest, EveryWindowIsDrawn) {
    for (const char* name : {"LoginForm.png", "msgForm.png", "waitForm.png", "UserAuthForm.png"}) {
        SDL_Surface* s = Load(name);
        ASSERT_NE(nullptr, s) << name;
        std::set<Uint32> colours;
        for (int y = 0; y < s->h; y += 2)
            for (int x = 0; x < s->w; x += 2) colours.insert(Pixel(s, x, y) & 0xFFFFFF);
        EXPECT_GT(colours.size(), 20u) << name;  // a blank or single-colour frame has a handful
        EXPECT_GE(s->w, 300) << name;
        SDL_FreeSurface(s);
    }
}

TEST_F(ScreenshotTest, ChineseTextsAreDrawnWithTheFont) {
    SDL_Surface* login = Load("LoginForm.png");
    ASSERT_NE(nullptr, login);
    ExpectText(login, "欢迎登录", 18, SDL_Rect{20, 40, 200, 60});
    ExpectText(login, "记住密码", 12, SDL_Rect{40, 200, 160, 60});
    SDL_FreeSurface(login);
    SDL_Surface* box = Load("msgForm.png");
    ASSERT_NE(nullptr, box);
    ExpectText(box, "账号名称不能为空!", 12, SDL_Rect{0, 36, 380, 80});
    SDL_FreeSurface(box);
    SDL_Surface* auth = Load("UserAuthForm.png");
    ASSERT_NE(nullptr, auth);
    ExpectText(auth, "解除锁定", 14, SDL_Rect{0, 0, 200, 40});
    SDL_FreeSurface(auth);
}

TEST_F(ScreenshotTest, ReferenceCheckRejectsWrongGlyphs) {
    // The check must fail for text that is not there (guards against a check that always passes).
    SDL_Surface* login = Load("LoginForm.png");
    ASSERT_NE(nullptr, login);
    Mask ref = RenderReference("监控报警", 18);
    EXPECT_LT(BestMatch(login, ref, SDL_Rect{20, 40, 200, 60}), 0.6);
    SDL_FreeSurface(login);
}

}  // namespace
