// The toolbar's button states for each kind of selected stream, and where
// the bar sits over a view.
#include "ToolBarState.h"

#include <gtest/gtest.h>

using kelvo::ButtonState;
using kelvo::StreamFacts;
using kelvo::ToolBarButtons;
using kelvo::ToolBarButtonsFor;

namespace {

StreamFacts Live(bool recording) {
    StreamFacts f;
    f.camera = f.playing = true;
    f.recording = recording;
    return f;
}

::testing::AssertionResult Is(const ButtonState& b, bool visible, bool enabled, bool checked = false) {
    if (b.visible == visible && b.enabled == enabled && b.checked == checked) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "visible " << b.visible << " enabled " << b.enabled << " checked "
                                         << b.checked;
}

}  // namespace

TEST(ToolBarButtons, RecordingStreamOffersStopRecordInsteadOfRecord) {
    const ToolBarButtons b = ToolBarButtonsFor(Live(true));
    EXPECT_TRUE(Is(b.stop, true, true));
    EXPECT_TRUE(Is(b.snappic, true, true));
    EXPECT_TRUE(Is(b.localrec, false, false));
    EXPECT_TRUE(Is(b.stoprec, true, true));
    EXPECT_TRUE(Is(b.call, true, true, false));
}

TEST(ToolBarButtons, PlayingStreamOffersRecord) {
    const ToolBarButtons b = ToolBarButtonsFor(Live(false));
    EXPECT_TRUE(Is(b.stop, true, true));
    EXPECT_TRUE(Is(b.localrec, true, true));
    EXPECT_TRUE(Is(b.stoprec, false, false));
}

TEST(ToolBarButtons, WithoutAPlayingStreamEverythingIsOffWhateverTheStreamSays) {
    StreamFacts stale;  // a camera still connecting that reports old flags
    stale.camera = true;
    stale.recording = stale.hasAudio = stale.audioEnabled = stale.talk = true;
    StreamFacts noCamera;
    noCamera.playing = noCamera.recording = noCamera.talk = true;  // nothing selected: flags mean nothing
    for (const StreamFacts& f : {stale, noCamera, StreamFacts{}}) {
        const ToolBarButtons b = ToolBarButtonsFor(f);
        EXPECT_FALSE(b.stop.enabled);
        EXPECT_FALSE(b.snappic.enabled);
        EXPECT_FALSE(b.localrec.enabled);
        EXPECT_TRUE(Is(b.stoprec, false, false));
        EXPECT_TRUE(Is(b.audio, true, false, false));
        EXPECT_TRUE(Is(b.call, true, false, false));
    }
}

TEST(ToolBarButtons, AudioAndTalkFollowTheStream) {
    StreamFacts f = Live(false);
    f.audioEnabled = true;  // enabled but the stream carries no sound
    EXPECT_TRUE(Is(ToolBarButtonsFor(f).audio, true, false, false));
    f.hasAudio = true;
    EXPECT_TRUE(Is(ToolBarButtonsFor(f).audio, true, true, true));
    f.audioEnabled = false;
    EXPECT_TRUE(Is(ToolBarButtonsFor(f).audio, true, true, false));
    f.talk = true;
    EXPECT_TRUE(Is(ToolBarButtonsFor(f).call, true, true, true));
    EXPECT_NE(ToolBarButtonsFor(f), ToolBarButtonsFor(Live(false)));
}

TEST(ToolBarRect, SitsInsideTheBottomOfTheView) {
    const DuiLib::RECT bar = kelvo::ToolBarRectFor(DuiLib::MakeRect(100, 50, 400, 300));
    EXPECT_EQ(101, bar.left);
    EXPECT_EQ(274, bar.top);
    EXPECT_EQ(298, bar.Width());
    EXPECT_EQ(25, bar.Height());
    // A view too narrow for a bar gives none rather than a negative width.
    EXPECT_TRUE(kelvo::ToolBarRectFor(DuiLib::MakeRect(10, 10, 12, 200)).IsEmpty());
}
