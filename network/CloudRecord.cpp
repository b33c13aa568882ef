#include "network/CloudRecord.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

#include "common/Protocol.h"
#include "common/WireFormat.h"
#include "network/PacketFramer.h"
#include "platform/DebugOutput.h"

namespace {

constexpr size_t kUrlChars = proto::kRecordUrlField - 1;

// Reads leading decimal digits as the server's names carry them ("0" when
// there are none); bounded so that end - begin cannot overflow.
int64_t LeadingDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t v = 0;
    for (int digits = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (digits++ < 15) v = v * 10 + (text[i] - '0');
    return negative ? -v : v;
}

}  // namespace

CloudRecord::~CloudRecord() {
    Logout();
}

void CloudRecord::Report(int state, int value) {
    if (m_callback) m_callback(state, value, 0, m_user);
}

bool CloudRecord::Login(const char* host, int port, const char* user, const char* password) {
    if (HasThread()) return false;
    SetServer(host, static_cast<uint16_t>(port));
    m_loginHost = Host();
    m_user36 = user ? std::string(user, strnlen(user, 35)) : std::string();
    m_password36 = password ? std::string(password, strnlen(password, 35)) : std::string();
    m_keepAlive = 0;
    return Start();
}

void CloudRecord::Logout() {
    Stop();
    std::lock_guard<std::mutex> lock(m_lock);
    m_items.clear();
}

int CloudRecord::Query(const char* cameraKey, uint32_t begin, uint32_t end) {
    std::vector<uint8_t> b(proto::kRecordQuerySize, 0);
    wire::PutU32(&b[0], proto::kRecordQuerySize);
    wire::PutU32(&b[4], proto::kRecordQuery);
    wire::PutU32(&b[8], begin);
    wire::PutU32(&b[12], end);
    wire::PutText(&b[16], proto::kTextField, cameraKey);
    // Queued only while connected; otherwise dropped.
    if (State() == ConnectionState::Connected) PostPacket(b.data(), b.size());
    return 1;
}

int CloudRecord::GetItemsCount() {
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<int>(m_items.size());
}

int CloudRecord::GetItems(RecordItem* items, const int* count) {
    if (!items || !count) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    int n = std::max(0, std::min(*count, static_cast<int>(m_items.size())));
    for (int i = 0; i < n; ++i) {
        RecordItem& out = items[i];
        std::memset(&out, 0, sizeof out);
        out.begin = m_items[i].begin;
        out.end = m_items[i].end;
        out.duration = m_items[i].end - m_items[i].begin;
        std::memcpy(out.url, m_items[i].url.data(), std::min(m_items[i].url.size(), kUrlChars));
    }
    return n;
}

bool CloudRecord::OnConnect(bool connected) {
    Report(KELVO_RECORD_CONNECT, connected ? 1 : 0);
    if (!connected) return false;
    std::vector<uint8_t> b(proto::kRecordLoginSize, 0);
    wire::PutU32(&b[0], proto::kRecordLoginSize);
    wire::PutU32(&b[4], proto::kRecordLogin);
    wire::PutU32(&b[8], proto::kStreamLoginConst);
    wire::PutText(&b[12], proto::kTextField, m_user36.c_str());
    wire::PutText(&b[48], proto::kTextField, m_password36.c_str());
    PostPacket(b.data(), b.size());
    return true;
}

bool CloudRecord::OnReceive(const uint8_t* data, size_t size, size_t* consumed) {
    return framing::CutPackets(data, size, consumed,
                               [this](const uint8_t* p, size_t n) { Dispatch(p, n); });
}

void CloudRecord::Dispatch(const uint8_t* packet, size_t length) {
    if (length < proto::kHeaderSize) return;
    switch (wire::GetU32(packet + 4)) {
    case proto::kRecordLoginResp:
        if (length >= 10) Report(KELVO_RECORD_LOGIN, wire::GetU16(packet + 8));
        break;
    case proto::kRecordQueryResp: {
        uint16_t status = 0;
        std::vector<RecordFile> files;
        if (!ParseQueryReply(packet, length, m_loginHost, &status, &files)) break;
        const bool any = !files.empty();
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_items = std::move(files);
        }
        Report(KELVO_RECORD_QUERY, status == 0 && any ? 1 : 0);
        break;
    }
    case proto::kRecordKeepAlive:
        m_keepAlive = Clock().NowSeconds();
        break;
    default:
        break;
    }
}

void CloudRecord::OnTimer() {
    const uint32_t last = m_keepAlive;
    if (last != 0 && static_cast<int64_t>(Clock().NowSeconds()) - last > kKeepAliveTimeout) {
        Close();
        SetState(ConnectionState::Disconnected);
        m_keepAlive = 0;
    }
}

std::string CloudRecord::RewriteBaseUrl(const std::string& base, const std::string& loginHost) {
    const size_t scheme = base.find("://");
    if (scheme == std::string::npos) return base;
    const size_t hostStart = scheme + 3;
    if (base.size() - hostStart < 12 || strncasecmp(base.c_str() + hostStart, "reclocalhost", 12) != 0)
        return base;
    // The port counts only when its ":" comes before the path's first "/".
    const size_t slash = base.find('/', hostStart);
    size_t colon = base.find(':', hostStart);
    if (colon != std::string::npos && slash != std::string::npos && colon > slash)
        colon = std::string::npos;
    std::string url = base.substr(0, hostStart) + loginHost;
    if (colon != std::string::npos)
        url += base.substr(colon);
    else if (slash != std::string::npos)
        url += base.substr(slash);
    return url;
}

bool CloudRecord::ParseQueryReply(const uint8_t* packet, size_t length,
                                  const std::string& loginHost, uint16_t* status,
                                  std::vector<RecordFile>* files) {
    if (length < proto::kRecordQueryRespFixed) return false;
    *status = wire::GetU16(packet + 8);
    const uint16_t count = wire::GetU16(packet + 10);
    const std::string base =
        RewriteBaseUrl(wire::GetText(packet + 48, proto::kRecordBaseUrlField), loginHost);
    size_t pos = proto::kRecordQueryRespFixed;
    std::vector<RecordFile> parsed;
    for (uint16_t i = 0; i < count && pos < length; ++i) {
        // A name runs to its NUL or to the end of the packet, never beyond.
        const std::string name = wire::GetText(packet + pos, length - pos);
        pos += name.size() + 1;
        const size_t underscore = name.rfind('_');
        if (underscore == std::string::npos) continue;  // no times to read
        RecordFile f;
        f.begin = LeadingDecimal(name.substr(0, underscore));
        const size_t tail = name.size() - underscore - 1;
        f.end = LeadingDecimal(name.substr(underscore + 1, tail > 4 ? tail - 4 : 0));
        f.url = base + name;
        if (f.url.size() > kUrlChars) f.url.resize(kUrlChars);
        parsed.push_back(std::move(f));
    }
    std::stable_sort(parsed.begin(), parsed.end(),
                     [](const RecordFile& a, const RecordFile& b) { return a.begin < b.begin; });
    *files = std::move(parsed);
    return true;
}
