// The words a view shows for its stream, and the figures overlay's lines.
#include "TileStatus.h"

#include <gtest/gtest.h>

using kelvo::FigureLines;
using kelvo::FigureSample;
using kelvo::LabelFor;
using kelvo::PaneIcon;
using kelvo::TileState;
using kelvo::TileTracker;

namespace {

TileState StateOf(const TileTracker& t, int64_t now) { return t.StatusAt(now).state; }

}  // namespace

TEST(TileTracker, ConnectsPlaysAndLosesTheSignal) {
    TileTracker t;
    t.NoteState(KELVO_STREAM_STARTING, 0, 0);
    EXPECT_EQ(StateOf(t, 0), TileState::CONNECTING);
    EXPECT_EQ(LabelFor(t.StatusAt(0)).text, u8"正在连接…");
    EXPECT_EQ(LabelFor(t.StatusAt(0)).icon, PaneIcon::BUSY);
    for (int s : {KELVO_STREAM_CONNECTED, KELVO_STREAM_REQUESTING, KELVO_STREAM_DESCRIBED}) t.NoteState(s, 0, 10);
    EXPECT_EQ(StateOf(t, 20), TileState::CONNECTING);
    t.NoteState(KELVO_STREAM_PLAYING, 0, 100);
    EXPECT_EQ(StateOf(t, 100), TileState::PLAYING);
    EXPECT_TRUE(LabelFor(t.StatusAt(100)).text.empty());
    // Playing without a single frame for the threshold is no signal too.
    EXPECT_EQ(StateOf(t, 100 + TileTracker::kNoSignalMs - 1), TileState::PLAYING);
    EXPECT_EQ(StateOf(t, 100 + TileTracker::kNoSignalMs), TileState::NO_SIGNAL);
    t.NoteFrame(4000);
    EXPECT_EQ(StateOf(t, 6999), TileState::PLAYING);
    const auto silent = t.StatusAt(9500);
    EXPECT_EQ(silent.state, TileState::NO_SIGNAL);
    EXPECT_EQ(silent.silentSeconds, 5);
    EXPECT_EQ(LabelFor(silent).text, u8"无信号 5 秒");
    EXPECT_EQ(LabelFor(silent).icon, PaneIcon::WARNING);
    t.NoteFrame(9600);
    EXPECT_EQ(StateOf(t, 9600), TileState::PLAYING);
}

TEST(TileTracker, CountsReconnectAttemptsUntilTheStreamPlaysAgain) {
    TileTracker t;
    t.NoteState(KELVO_STREAM_STARTING, 0, 0);
    t.NoteState(KELVO_STREAM_PLAYING, 0, 0);
    t.NoteState(KELVO_STREAM_DISCONNECTED, 0, 10);
    EXPECT_EQ(StateOf(t, 10), TileState::RECONNECTING);
    EXPECT_EQ(LabelFor(t.StatusAt(10)).text, u8"连接中断，正在重连");
    // The library caps its own counter at 10; the words keep counting.
    for (int i = 1; i <= 12; ++i) t.NoteState(KELVO_STREAM_RECONNECTING, std::min(i, 10), 10 + i);
    auto s = t.StatusAt(30);
    EXPECT_EQ(s.attempt, 12);
    EXPECT_EQ(LabelFor(s).text, u8"正在重连（第 12 次）");
    // The steps of the reconnect do not read as a fresh connect.
    t.NoteState(KELVO_STREAM_CONNECTED, 0, 40);
    t.NoteState(KELVO_STREAM_REQUESTING, 0, 41);
    t.NoteState(KELVO_STREAM_DESCRIBED, 352, 42);
    EXPECT_EQ(StateOf(t, 42), TileState::RECONNECTING);
    // A stream request retried counts as an attempt as well.
    t.NoteState(KELVO_STREAM_REQUESTING, 1, 43);
    EXPECT_EQ(t.StatusAt(43).attempt, 13);
    t.NoteFrame(50);  // frames mean it plays, before or without the state
    EXPECT_EQ(StateOf(t, 50), TileState::PLAYING);
    t.NoteState(KELVO_STREAM_RECONNECTING, 1, 60);
    EXPECT_EQ(t.StatusAt(60).attempt, 1) << "attempts start over after playing";
}

TEST(TileTracker, RefusedAndFailedStayUntilTheStreamStartsAgain) {
    TileTracker t;
    t.NoteState(KELVO_STREAM_STARTING, 0, 0);
    t.NoteState(KELVO_STREAM_FAILED, 0x202, 5);
    EXPECT_EQ(StateOf(t, 5), TileState::REFUSED);
    EXPECT_EQ(LabelFor(t.StatusAt(5)).text, u8"服务器拒绝了视频请求");
    EXPECT_EQ(LabelFor(t.StatusAt(5)).icon, PaneIcon::ERROR);
    t.NoteState(KELVO_STREAM_DISCONNECTED, 0, 6);
    EXPECT_EQ(StateOf(t, 10000), TileState::REFUSED) << "no signal is not the problem";
    t.NoteState(KELVO_STREAM_STARTING, 0, 20);
    t.NoteState(KELVO_STREAM_FAILED, 0x201, 30);
    EXPECT_EQ(StateOf(t, 30), TileState::FAILED);
    EXPECT_EQ(LabelFor(t.StatusAt(30)).text, u8"连接失败");
    t.NoteState(KELVO_STREAM_TALK, 0x204, 31);  // talk results are not the video's state
    EXPECT_EQ(StateOf(t, 31), TileState::FAILED);
}

TEST(TileTracker, NoticesHaveTheirOwnWords) {
    EXPECT_EQ(LabelFor(kelvo::PaneNotice::STREAM_LIMIT).text, u8"已达到视频路数上限");
    EXPECT_EQ(LabelFor(kelvo::PaneNotice::OUTSIDE_SCHEDULE).icon, PaneIcon::CLOCK);
}

TEST(FigureLines, RatesOverTheIntervalAndTotalsSoFar) {
    FigureSample a, b;
    a.atMs = 10000;
    a.stream.framesReceived = 100;
    a.stream.framesDecoded = 90;
    a.stream.bytesReceived = 1000000;
    a.drawn = 80;
    b = a;
    b.atMs = 12000;
    b.stream.framesReceived = 150;
    b.stream.framesDecoded = 139;
    b.stream.bytesReceived = 1250000;
    b.stream.framesDropped = 2;
    b.stream.width = 704;
    b.stream.height = 576;
    b.stream.latencyMs = 30;
    std::snprintf(b.stream.codec, sizeof b.stream.codec, "H.264");
    b.stored = 140;
    b.drawn = 127;
    b.slotDelayMs = 12;
    const auto lines = FigureLines(a, b);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], u8"H.264 704×576");
    EXPECT_EQ(lines[1], u8"收 25.0  解 24.5  显 23.5 帧/秒");
    EXPECT_EQ(lines[2], u8"码率 1000 kbit/s  丢帧 15");  // 2 undecoded + 13 replaced
    EXPECT_EQ(lines[3], u8"延迟 42 ms");
    EXPECT_TRUE(FigureLines(b, b).empty()) << "no time passed";
    // A stream rebuilt behind the view starts its counters over: no huge rates.
    FigureSample c = b;
    c.atMs = 13000;
    c.stream.framesReceived = 5;
    c.stream.bytesReceived = 100;
    c.stream.codec[0] = '\0';
    const auto after = FigureLines(b, c);
    EXPECT_EQ(after[0], u8"— 704×576");
    EXPECT_EQ(after[1].rfind(u8"收 0.0 ", 0), 0u) << after[1];
    EXPECT_EQ(after[2].rfind(u8"码率 0 kbit/s", 0), 0u) << after[2];
}
