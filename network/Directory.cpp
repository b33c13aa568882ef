#include "network/Directory.h"

#include <algorithm>
#include <cstring>

#include "common/Protocol.h"
#include "common/WireFormat.h"
#include "platform/DebugOutput.h"

namespace {

constexpr size_t kListHead = 12;

// Names compare as unsigned bytes; equal names keep arrival order.
bool NameLess(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    int c = std::memcmp(a.data(), b.data(), n);
    return c != 0 ? c < 0 : a.size() < b.size();
}

// Bounded copy into a fixed text field of the copy-out records.
void CopyField(char* out, size_t size, const std::string& text) {
    std::memset(out, 0, size);
    std::memcpy(out, text.data(), std::min(size, text.size()));
}

bool LengthMatches(size_t length, uint32_t count, uint32_t recordSize) {
    // 64-bit arithmetic: a huge count cannot wrap around.
    return static_cast<uint64_t>(length) ==
           kListHead + static_cast<uint64_t>(count) * recordSize;
}

const DirectoryNode* SearchTree(const std::vector<std::unique_ptr<DirectoryNode>>& list,
                                const std::string& key) {
    for (const auto& node : list)
        if (node->key == key) return node.get();
    for (const auto& node : list)
        if (const DirectoryNode* found = SearchTree(node->children, key)) return found;
    return nullptr;
}

}  // namespace

void Directory::Clear() {
    m_cameras.clear();
    m_nodeIndex.clear();
    m_top.clear();
}

DirectoryNode* Directory::FindNode(const std::string& key) const {
    auto it = m_nodeIndex.find(key);
    if (it == m_nodeIndex.end()) return nullptr;
    if (it->second.size() == 1) return it->second.front();
    return const_cast<DirectoryNode*>(SearchTree(m_top, key));
}

void Directory::Index(DirectoryNode* node) { m_nodeIndex[node->key].push_back(node); }

bool Directory::ApplyNodeList(const uint8_t* packet, size_t length) {
    Clear();
    if (length < kListHead) return false;
    const uint32_t n = wire::GetU32(packet + 8);
    if (!LengthMatches(length, n, proto::kNodeRecordSize)) return false;

    struct Pending {
        std::string key, name, parent, textA, textB;
    };
    std::vector<Pending> records(n);
    size_t remaining = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* r = packet + kListHead + static_cast<size_t>(i) * proto::kNodeRecordSize;
        Pending& p = records[i];
        p.key = wire::GetText(r + 4, 36);
        p.name = wire::GetText(r + 40, 36);
        p.parent = wire::GetText(r + 76, 36);
        p.textA = wire::GetText(r + 112, 16);
        p.textB = wire::GetText(r + 128, 16);
        // A record without a key can never be placed: it counts as placed
        // so the loop below ends.
        if (!p.key.empty()) ++remaining;
    }

    uint64_t misses = 0;
    size_t index = 0;
    while (remaining > 0) {
        if (misses > 2ull * n) break;
        Pending& p = records[index];
        if (!p.key.empty()) {
            platform::DebugTrace("name=%s,parent=%s,key=%s", p.name.c_str(), p.parent.c_str(),
                                 p.key.c_str());
            bool placed = false;
            auto make = [&p] {
                auto node = std::make_unique<DirectoryNode>();
                node->name = p.name;
                node->key = p.key;
                node->textA = p.textA;
                node->textB = p.textB;
                return node;
            };
            if (p.parent.empty()) {
                m_top.push_back(make());
                Index(m_top.back().get());
                placed = true;
            } else if (DirectoryNode* parent = FindNode(p.parent)) {
                bool duplicate = std::any_of(parent->children.begin(), parent->children.end(),
                                             [&p](const auto& c) { return c->key == p.key; });
                if (!duplicate) {
                    parent->children.push_back(make());
                    Index(parent->children.back().get());
                }
                placed = true;
            } else {
                ++misses;
            }
            if (placed) {
                --remaining;
                p.key.clear();
            }
        }
        index = (index + 1) % n;
    }
    return true;
}

bool Directory::ApplyCameraList(const uint8_t* packet, size_t length, const char* serverHost) {
    if (length < kListHead) return false;
    const uint32_t n = wire::GetU32(packet + 8);
    if (!LengthMatches(length, n, proto::kCameraRecordSize)) return false;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* r = packet + kListHead + static_cast<size_t>(i) * proto::kCameraRecordSize;
        auto cam = std::make_unique<CameraRecord>();
        cam->state = wire::GetU32(r + 4);
        cam->deviceNumber = wire::GetU32(r + 8);
        cam->key = wire::GetText(r + 12, 36);
        cam->name = wire::GetText(r + 48, 36);
        cam->nodeKey = wire::GetText(r + 84, 36);
        cam->textA = wire::GetText(r + 120, 16);
        cam->textB = wire::GetText(r + 136, 20);
        cam->relayHost = wire::GetText(r + 156, 31);
        cam->basePort = wire::GetU16(r + 188);
        cam->streamPort = wire::GetU16(r + 192);
        platform::DebugTrace("key=%s,name=%s,parent=%s", cam->key.c_str(), cam->name.c_str(),
                             cam->nodeKey.c_str());
        if (cam->relayHost.empty() && serverHost) cam->relayHost = serverHost;
        DirectoryNode* node = FindNode(cam->nodeKey);
        if (!node || m_cameras.count(cam->key)) continue;
        m_cameras.emplace(cam->key, cam.get());
        node->cameras.push_back(std::move(cam));
    }
    SortTopLevel();
    return true;
}

void Directory::SortTopLevel() {
    auto byNodeName = [](const auto& a, const auto& b) { return NameLess(a->name, b->name); };
    for (auto& top : m_top) {
        std::stable_sort(top->children.begin(), top->children.end(), byNodeName);
        std::stable_sort(top->cameras.begin(), top->cameras.end(),
                         [](const auto& a, const auto& b) { return NameLess(a->name, b->name); });
    }
    std::stable_sort(m_top.begin(), m_top.end(), byNodeName);
}

const std::vector<std::unique_ptr<DirectoryNode>>* Directory::Level(const char* key,
                                                                     bool* known) const {
    *known = true;
    if (!key || !*key) return &m_top;
    DirectoryNode* node = FindNode(std::string(key, strnlen(key, 36)));
    if (!node) {
        *known = false;
        return nullptr;
    }
    return &node->children;
}

int Directory::NodeCount(const char* key) const {
    bool known;
    const auto* level = Level(key, &known);
    return known ? static_cast<int>(level->size()) : -1;
}

int Directory::CopyNodes(const char* key, NodeInfo* out, int* count) const {
    if (!count) return -1;
    bool known;
    const auto* level = Level(key, &known);
    if (!known) return -1;
    if (!out) {
        *count = 0;
        return static_cast<int>(level->size());
    }
    int n = std::max(0, std::min(*count, static_cast<int>(level->size())));
    for (int i = 0; i < n; ++i) {
        CopyField(out[i].name, sizeof out[i].name, (*level)[i]->name);
        CopyField(out[i].key, sizeof out[i].key, (*level)[i]->key);
    }
    *count = n;
    return n;
}

int Directory::CameraCount(const char* key) const {
    if (!key || !*key) return 0;
    DirectoryNode* node = FindNode(std::string(key, strnlen(key, 36)));
    return node ? static_cast<int>(node->cameras.size()) : -1;
}

int Directory::CopyCameras(const char* key, CameraInfo* out, int* count) const {
    if (!key) return 0;
    if (!count) return -1;
    DirectoryNode* node = FindNode(std::string(key, strnlen(key, 36)));
    if (!node) return -1;
    const auto& cams = node->cameras;
    if (!out) {
        *count = 0;
        return static_cast<int>(cams.size());
    }
    int n = std::max(0, std::min(*count, static_cast<int>(cams.size())));
    for (int i = 0; i < n; ++i) {
        CopyField(out[i].name, sizeof out[i].name, cams[i]->name);
        CopyField(out[i].key, sizeof out[i].key, cams[i]->key);
        out[i].online = cams[i]->state == 1 ? 1 : 0;
        CopyField(out[i].textA, sizeof out[i].textA, cams[i]->textA);
        CopyField(out[i].textB, sizeof out[i].textB, cams[i]->textB);
    }
    *count = n;
    return n;
}

const CameraRecord* Directory::FindCamera(const std::string& key) const {
    auto it = m_cameras.find(key);
    return it == m_cameras.end() ? nullptr : it->second;
}
