#include "AvPlayer.h"
#include "RecordPlayer.h"

namespace kelvo {
namespace {

class AvRecordPlayer final : public RecordPlayer {
public:
    explicit AvRecordPlayer(SDL_Window* parent) : m_player(AvPlayer::Create(parent, nullptr)) {}
    // Nothing is drawn through Draw here, so no texture exists and the last owner may be an
    // abandoned worker's thread.
    ~AvRecordPlayer() override { m_player->Destory(); }
    bool Open(const std::string& url) override { return m_player->Open(url); }
    bool Play() override { return m_player->Play(); }
    void Pause() override { m_player->Pause(); }
    void Resume() override { m_player->Resume(); }
    void Seek(double fraction) override { m_player->Seek(fraction); }
    double GetCurrentDuration() const override { return m_player->GetCurrentDuration(); }
    bool WaitCompletion(int milliseconds) override { return m_player->WaitCompletion(milliseconds); }
    void Stop() override { m_player->Stop(); }
    void Close() override { m_player->Close(); }
    uint64_t PictureCount() const override { return m_player->PictureCount(); }
    bool CopyPicture(PlayerPicture* out) const override { return m_player->CopyPicture(out); }
    void SetSpeed(double factor) override { m_player->SetSpeed(factor); }
    void StepFrame() override { m_player->StepFrame(); }

private:
    const std::shared_ptr<AvPlayer> m_player;
};

}  // namespace

std::shared_ptr<RecordPlayer> CreateAvRecordPlayer(SDL_Window* parent) {
    return std::make_shared<AvRecordPlayer>(parent);
}

}  // namespace kelvo
