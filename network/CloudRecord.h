// A short-lived client of a record server: login, one query for a
// camera's recordings between two times, the list of recorded files.
//
// Thread contract: Login, Logout, Query and the item getters from any
// thread; the items are guarded by m_lock. The callback is set before
// Login and called on the connection thread.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "KelvoNetwork.h"
#include "network/TcpSession.h"

struct RecordFile {
    int64_t begin = 0;
    int64_t end = 0;
    std::string url;  // at most 263 characters
};

class CloudRecord : public TcpSession {
public:
    static constexpr uint32_t kKeepAliveTimeout = 90;

    CloudRecord() = default;
    ~CloudRecord() override;

    void SetCallBack(RecordCallback callback, void* user) {
        m_callback = callback;
        m_user = user;
    }
    bool Login(const char* host, int port, const char* user, const char* password);
    void Logout();
    int Query(const char* cameraKey, uint32_t begin, uint32_t end);
    int GetItemsCount();
    int GetItems(RecordItem* items, const int* count);

    // Parses a query reply into files (pure; exposed for tests and fuzzing).
    // `loginHost` replaces a base URL host of "reclocalhost". False when the
    // reply is too short to hold its fixed part.
    static bool ParseQueryReply(const uint8_t* packet, size_t length, const std::string& loginHost,
                                uint16_t* status, std::vector<RecordFile>* files);
    static std::string RewriteBaseUrl(const std::string& base, const std::string& loginHost);

protected:
    bool OnConnect(bool connected) override;
    bool OnReceive(const uint8_t* data, size_t size, size_t* consumed) override;
    void OnTimer() override;
    void OnClose() override {}

private:
    void Report(int state, int value);
    void Dispatch(const uint8_t* packet, size_t length);

    RecordCallback m_callback = nullptr;
    void* m_user = nullptr;
    std::string m_user36;
    std::string m_password36;
    std::string m_loginHost;
    std::atomic<uint32_t> m_keepAlive{0};

    std::mutex m_lock;
    std::vector<RecordFile> m_items;  // guarded by m_lock
};
