// The video wall against the simulator program: cameras open into views,
// pictures reach the renderer, layouts shrink and views are reused, and a
// snapshot of a zoomed view is still the whole picture.
#include <gtest/gtest.h>

#include <httplib.h>
#include <unistd.h>

#include <jpeglib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

#include "KelvoNetwork.h"
#include "KelvoPlayer.h"
#include "tests/renderer/Canvas.h"
#include "tests/sim/SimProcess.h"
#include "tests/support/TestSupport.h"

using testing_support::WaitFor;

namespace {

class Events : public kelvo::KelvoPlayerHandle {
public:
    void OnPlayerEvent(int event, int, int) override {
        if (event == KELVO_SESSION_DIRECTORY_READY) ready = true;
    }
    void OnCameraOpened(const std::string& key, int opened) override {
        if (opened)
            open.insert(key);
        else
            open.erase(key);
    }
    std::atomic<bool> ready{false};
    std::set<std::string> open;  // UI thread only
};

// Grey levels of a JPEG file; false when it cannot be read.
bool ReadJpeg(const std::string& path, int* w, int* h, std::vector<uint8_t>* grey) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    bool ok = jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK;
    if (ok) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        jpeg_start_decompress(&cinfo);
        *w = static_cast<int>(cinfo.output_width);
        *h = static_cast<int>(cinfo.output_height);
        grey->assign(static_cast<size_t>(*w) * *h, 0);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = grey->data() + static_cast<size_t>(cinfo.output_scanline) * *w;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return ok;
}

// Where a row of grey levels crosses from the camera's dark squares to its
// light ones or back.
std::vector<int> Edges(const std::vector<int>& row) {
    std::vector<int> edges;
    for (size_t x = 1; x < row.size(); ++x)
        if ((row[x - 1] > 135) != (row[x] > 135)) edges.push_back(static_cast<int>(x));
    return edges;
}

class WallTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelvo-wall-XXXXXX";
        m_cache = mkdtemp(tmpl);
        const char* src = std::getenv("KELVO_SOURCE_DIR");
        m_sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--scenario", std::string(src ? src : ".") + "/tests/e2e/data/four.json", "--port", "0",
            "--cache-dir", m_cache});
        ASSERT_TRUE(m_sim->WaitReady(60000));
        ASSERT_TRUE(wall.Start(nullptr));
        wall.SetHandle(&events);
        ASSERT_EQ(KelvoSession_Login(wall.Session(), "127.0.0.1", m_sim->central, "demo", "demo", 0), 0);
        ASSERT_TRUE(WaitFor([&] { return events.ready.load(); }, 10000));
        // The camera list comes in several replies, each reported as ready:
        // wait for all of it (two cameras under S11, four under S2).
        ASSERT_TRUE(WaitFor([&] {
            return KelvoSession_GetCameraCount(wall.Session(), "S11") == 2 &&
                   KelvoSession_GetCameraCount(wall.Session(), "S2") == 4;
        }, 10000));
    }
    void TearDown() override {
        wall.CloseAllAndLogout();
        m_sim->Stop();
        std::string rm = "rm -rf '" + m_cache + "'";
        EXPECT_EQ(std::system(rm.c_str()), 0);
    }

    std::string m_cache;
    std::unique_ptr<simtest::SimProcess> m_sim;
    Events events;
    kelvo::KelvoPlayer wall;
};

}  // namespace

TEST_F(WallTest, CamerasOpenIntoViewsAndPicturesArrive) {
    ASSERT_TRUE(wall.OpenCamera("C1", "\xB2\xE2\xCA\xD4\\C1"));
    ASSERT_TRUE(wall.OpenCamera("C4", "C4"));
    EXPECT_TRUE(wall.OpenCamera("C1", "again"));  // already open: nothing changes
    EXPECT_EQ(wall.OpenCount(), 2u);
    EXPECT_EQ(events.open, (std::set<std::string>{"C1", "C4"}));
    EXPECT_FALSE(wall.OpenCamera("nope", "x"));
    const int v1 = wall.FindCamera("C1")->view, v4 = wall.FindCamera("C4")->view;
    ASSERT_TRUE(WaitFor([&] {
        return wall.Renderer().PicturesReceived(v1) > 3 && wall.Renderer().PicturesReceived(v4) > 3;
    }, 20000));
    EXPECT_EQ(wall.FindCamera("C4")->width, 352);  // taken from the stream's description
    wall.CloseCamera("C1");
    EXPECT_FALSE(wall.IsOpen("C1"));
    EXPECT_EQ(events.open, (std::set<std::string>{"C4"}));
}

TEST_F(WallTest, ShrinkingTheLayoutClosesTheCamerasOfLostPanes) {
    for (const char* key : {"C1", "C2", "C3", "C4"}) ASSERT_TRUE(wall.OpenCamera(key, key));
    EXPECT_EQ(wall.OpenCount(), 4u);
    wall.SetLayout(1, 1, 1, 1);
    EXPECT_EQ(wall.Renderer().ViewCount(), 1);
    EXPECT_EQ(wall.OpenCount(), 1u);
    EXPECT_EQ(events.open.size(), 1u);
}

TEST_F(WallTest, AFullWallGivesUpAViewForTheNextCamera) {
    wall.SetLayout(1, 1, 1, 1);
    ASSERT_TRUE(wall.OpenCamera("C1", "C1"));
    ASSERT_TRUE(wall.OpenCamera("C2", "C2"));
    EXPECT_FALSE(wall.IsOpen("C1"));
    EXPECT_TRUE(wall.IsOpen("C2"));
    EXPECT_EQ(wall.OpenCount(), 1u);
}

TEST_F(WallTest, AnUnseenWallStopsDecodingAndResumesWhenShown) {
    ASSERT_TRUE(wall.OpenCamera("C4", "C4"));
    const int view = wall.FindCamera("C4")->view;
    ASSERT_TRUE(WaitFor([&] { return wall.Renderer().PicturesReceived(view) > 3; }, 20000));
    wall.SetPicturesWanted(false);
    usleep(300 * 1000);  // a picture already decoding may still land
    const auto hidden = wall.Renderer().PicturesReceived(view);
    usleep(1500 * 1000);  // 15 frames at the camera's 10 fps
    EXPECT_LE(wall.Renderer().PicturesReceived(view), hidden + 1) << "pictures decoded while nobody can see them";
    wall.SetPicturesWanted(true);
    EXPECT_TRUE(WaitFor([&] { return wall.Renderer().PicturesReceived(view) > hidden + 3; }, 15000))
        << "pictures did not come back";
}

TEST_F(WallTest, TileWordsFollowTheStreamThroughADropAndFiguresCountIt) {
    ASSERT_TRUE(wall.OpenCamera("C4", "C4"));
    const int view = wall.FindCamera("C4")->view;
    auto status = [&] {
        wall.RefreshTiles();
        return wall.Renderer().Status(view).text;
    };
    EXPECT_EQ(status(), u8"正在连接…");
    ASSERT_TRUE(WaitFor([&] { return status().empty() && wall.Renderer().PicturesReceived(view) > 3; }, 20000))
        << status();

    wall.SetFiguresShown(true);
    ASSERT_TRUE(WaitFor([&] { return status().empty() && !wall.Renderer().Figures(view).empty(); }, 5000));
    const auto figures = wall.Renderer().Figures(view);
    ASSERT_EQ(figures.size(), 4u);
    EXPECT_EQ(figures[0], u8"H.264 352×288");
    double received = 0, decoded = 0;
    ASSERT_EQ(std::sscanf(figures[1].c_str(), u8"收 %lf  解 %lf", &received, &decoded), 2) << figures[1];
    EXPECT_GT(received, 5);  // the camera sends 10 frames/s
    EXPECT_LT(received, 20);
    EXPECT_GT(decoded, 5);
    wall.SetFiguresShown(false);
    wall.RefreshTiles();
    EXPECT_TRUE(wall.Renderer().Figures(view).empty());

    // The relay drops the stream: the view says it reconnects, then plays again.
    httplib::Client http("127.0.0.1", m_sim->http);
    auto r = http.Post("/sim/drop?server=relay", "", "text/plain");
    ASSERT_TRUE(r && r->status == 200);
    ASSERT_TRUE(WaitFor([&] { return status().find(u8"重连") != std::string::npos; }, 10000)) << status();
    const auto before = wall.Renderer().PicturesReceived(view);
    EXPECT_TRUE(WaitFor([&] { return status().empty() && wall.Renderer().PicturesReceived(view) > before; }, 20000))
        << status();

    // Switched off, the view shows no words whatever the stream does.
    wall.SetTileStatesShown(false);
    EXPECT_EQ(wall.Renderer().Status(view).text, "");
}

TEST_F(WallTest, NoticesMarkThePaneACameraCouldNotTakeUntilOneOpens) {
    wall.SetLayout(2, 2, 1, 1);
    ASSERT_TRUE(wall.OpenCamera("C1", "C1"));
    wall.ShowNotice(kelvo::PaneNotice::STREAM_LIMIT);
    EXPECT_EQ(wall.Renderer().PaneNoticeAt(1).text, u8"已达到视频路数上限") << "the first empty pane";
    EXPECT_TRUE(wall.Renderer().PaneNoticeAt(0).text.empty());
    wall.ShowNotice(kelvo::PaneNotice::OUTSIDE_SCHEDULE);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(wall.Renderer().PaneNoticeAt(i).text.empty()) << i;
    wall.RefreshTiles();  // the schedule's notice does not expire on its own
    EXPECT_FALSE(wall.Renderer().PaneNoticeAt(3).text.empty());
    ASSERT_TRUE(wall.OpenCamera("C2", "C2"));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(wall.Renderer().PaneNoticeAt(i).text.empty()) << i;
}

TEST_F(WallTest, ASnapshotOfAZoomedViewIsTheWholePicture) {
    // The wall drawn one screen pixel per picture pixel, so the screen and
    // the snapshot can be laid over each other.
    rendertest::Canvas canvas(352, 288);
    ASSERT_TRUE(canvas.Ok());
    kelvo::VideoRenderer& r = wall.Renderer();
    wall.SetLayout(1, 1, 1, 1);
    ASSERT_TRUE(r.SetFitMode(kelvo::PictureFit::FILL));
    r.SetFontPath("/nonexistent");
    ASSERT_TRUE(r.Start(0, 0, 352, 288, canvas.Renderer()));
    ASSERT_TRUE(wall.OpenCamera("C4", "C4"));
    const int view = wall.FindCamera("C4")->view;
    ASSERT_TRUE(WaitFor([&] { return r.PicturesReceived(view) > 3; }, 20000));
    // The middle row: the camera's squares, clear of its text and its moving bar.
    const int y = 144;
    auto screenRow = [&] {
        r.Draw();
        std::vector<int> row(352);
        for (int x = 0; x < 352; ++x) {
            const SDL_Color c = canvas.At(x, y);
            row[x] = static_cast<int>(0.257 * c.r + 0.504 * c.g + 0.098 * c.b + 16.5);
        }
        return row;
    };
    const std::vector<int> whole = Edges(screenRow());
    ASSERT_GE(whole.size(), 5u) << "no squares on screen";

    r.HandleMouse(100, 200, kelvo::MouseAction::WHEEL, 8);  // the middle row then shows squares only
    ASSERT_DOUBLE_EQ(r.ZoomFactor(view), 4.0);
    const std::vector<int> zoomed = Edges(screenRow());
    EXPECT_LT(zoomed.size(), whole.size()) << "the screen is not zoomed";

    const std::string path = m_cache + "/zoomed.jpg";
    ASSERT_TRUE(KelvoStream_SnappicEx(wall.FindCamera("C4")->stream, path.c_str()));
    int w = 0, h = 0;
    std::vector<uint8_t> grey;
    ASSERT_TRUE(ReadJpeg(path, &w, &h, &grey));
    EXPECT_EQ(w, 352);
    EXPECT_EQ(h, 288);
    ASSERT_EQ(grey.size(), 352u * 288u);
    const std::vector<int> shot = Edges(std::vector<int>(grey.begin() + y * 352, grey.begin() + (y + 1) * 352));
    ASSERT_EQ(shot.size(), whole.size()) << "the snapshot is not the whole picture";
    for (size_t i = 0; i < shot.size(); ++i) EXPECT_NEAR(shot[i], whole[i], 2) << "edge " << i;
    EXPECT_DOUBLE_EQ(r.ZoomFactor(view), 4.0) << "a snapshot leaves the zoom alone";
    r.Stop();
}
