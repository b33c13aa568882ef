// The wall's alarm sound: how camera alarms, the sound switch and the sound
// file decide whether it plays, and the shutter on a channel of its own.
// Runs with SDL's dummy audio driver, and once with no usable driver.
#include "KelvoPlayer.h"
#include "SoundPlayer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

using kelvo::KelvoPlayer;
using kelvo::SoundPlayer;

namespace {

std::string Wav(const char* name) {
    const char* b = std::getenv("KELVO_BUILD_DIR");
    return std::string(b ? b : ".") + "/bin/wav/" + name;
}

bool AlarmPlaying() { return SoundPlayer::Instance().IsPlaying(SoundPlayer::ALARM); }

class AlarmSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(wall.Start(nullptr));
        wall.SetAlarmSound(Wav("alarm.wav"));
        ASSERT_TRUE(SoundPlayer::Instance().Load(Wav("alarm.wav"))) << "the dummy audio driver plays";
    }
    void TearDown() override { SoundPlayer::Instance().Close(); }
    KelvoPlayer wall;
};

}  // namespace

TEST_F(AlarmSoundTest, TwoCamerasKeepTheSoundUntilBothReportOff) {
    wall.SetAlarmSoundSwitch(true);
    wall.OnCameraAlarm("A", true);
    EXPECT_TRUE(wall.AlarmSounding());
    EXPECT_TRUE(AlarmPlaying());
    wall.OnCameraAlarm("B", true);
    wall.OnCameraAlarm("A", false);
    EXPECT_EQ(1, wall.AlarmCount());
    EXPECT_TRUE(AlarmPlaying());
    wall.OnCameraAlarm("B", false);
    EXPECT_EQ(0, wall.AlarmCount());
    EXPECT_FALSE(wall.AlarmSounding());
    EXPECT_FALSE(AlarmPlaying());
}

TEST_F(AlarmSoundTest, AnExtraOffClampsAtZeroSoTheNextAlarmSoundsAgain) {
    wall.SetAlarmSoundSwitch(true);
    wall.OnCameraAlarm("A", false);
    wall.OnCameraAlarm("A", false);
    EXPECT_EQ(0, wall.AlarmCount());
    wall.OnCameraAlarm("B", true);
    EXPECT_EQ(1, wall.AlarmCount());
    EXPECT_TRUE(AlarmPlaying());
}

TEST_F(AlarmSoundTest, SwitchOffSilencesWithoutForgettingPendingAlarms) {
    wall.SetAlarmSoundSwitch(true);
    wall.OnCameraAlarm("A", true);
    wall.OnCameraAlarm("B", true);
    ASSERT_TRUE(AlarmPlaying());
    wall.SetAlarmSoundSwitch(false);
    EXPECT_FALSE(AlarmPlaying());
    // An "off" while the switch is off keeps the other camera's alarm.
    wall.OnCameraAlarm("A", false);
    EXPECT_EQ(1, wall.AlarmCount());
    wall.OnCameraAlarm("C", true);  // a new alarm with the switch off stays quiet
    EXPECT_FALSE(AlarmPlaying());
    wall.SetAlarmSoundSwitch(true);
    wall.PlayAlarmSound();
    EXPECT_TRUE(AlarmPlaying());
    wall.StopAlarmSound();
    EXPECT_FALSE(AlarmPlaying());
    EXPECT_EQ(2, wall.AlarmCount());
}

TEST_F(AlarmSoundTest, PlayAndNewSoundFileOnlySoundWhileAlarmsArePending) {
    wall.SetAlarmSoundSwitch(true);
    wall.PlayAlarmSound();
    EXPECT_FALSE(AlarmPlaying()) << "nothing pending";
    wall.OnCameraAlarm("A", true);
    wall.SetAlarmSound(Wav("snap.wav"));  // changed file: restarted with it
    EXPECT_TRUE(AlarmPlaying());
    wall.SetAlarmSound("/nonexistent/alarm.wav");
    EXPECT_TRUE(wall.AlarmSounding()) << "still wanted";
    EXPECT_FALSE(AlarmPlaying()) << "but there is nothing to play";
    wall.CloseAllAndLogout();
    EXPECT_FALSE(wall.AlarmSounding());
}

TEST_F(AlarmSoundTest, ShutterAndAlarmDoNotStopEachOther) {
    wall.SetAlarmSoundSwitch(true);
    wall.OnCameraAlarm("A", true);
    ASSERT_TRUE(AlarmPlaying());
    EXPECT_TRUE(kelvo::PlaySoundOnce(Wav("snap.wav")));
    EXPECT_TRUE(AlarmPlaying());
    EXPECT_TRUE(SoundPlayer::Instance().IsPlaying(SoundPlayer::SHUTTER));
    wall.OnCameraAlarm("A", false);
    EXPECT_FALSE(AlarmPlaying());
    EXPECT_TRUE(SoundPlayer::Instance().IsPlaying(SoundPlayer::SHUTTER)) << "a one-shot of ~0.2 s";
    EXPECT_FALSE(kelvo::PlaySoundOnce("/nonexistent/snap.wav"));
}

TEST(SoundWithoutDevice, EverythingWorksAndReportsThatNothingPlays) {
    SoundPlayer::Instance().Close();
    const char* old = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    {
        KelvoPlayer wall;
        ASSERT_TRUE(wall.Start(nullptr));
        wall.SetAlarmSound(Wav("alarm.wav"));
        wall.SetAlarmSoundSwitch(true);
        wall.OnCameraAlarm("A", true);
        EXPECT_TRUE(wall.AlarmSounding());
        EXPECT_FALSE(AlarmPlaying());
        EXPECT_FALSE(kelvo::PlaySoundOnce(Wav("snap.wav")));
        wall.OnCameraAlarm("A", false);
        EXPECT_FALSE(wall.AlarmSounding());
    }
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    SoundPlayer::Instance().Close();
    EXPECT_TRUE(kelvo::PlaySoundOnce(Wav("snap.wav"))) << "a device again after the mixer reopens";
    SoundPlayer::Instance().Close();
}

TEST_F(AlarmSoundTest, CamerasOnTheirOwnThreadsLeaveACountThatMatchesTheirLastReports) {
    wall.SetAlarmSoundSwitch(true);
    auto flap = [this](const char* key, bool endOn) {
        for (int i = 0; i < 500; ++i) {
            wall.OnCameraAlarm(key, true);
            wall.OnCameraAlarm(key, false);
        }
        if (endOn) wall.OnCameraAlarm(key, true);
    };
    std::thread a(flap, "A", true), b(flap, "B", false);
    a.join();
    b.join();
    EXPECT_EQ(1, wall.AlarmCount());
    EXPECT_TRUE(wall.AlarmSounding());
    EXPECT_TRUE(AlarmPlaying());
}
