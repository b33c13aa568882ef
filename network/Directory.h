// The account's tree of nodes and cameras, built from the node and camera
// list replies, and the copy-out getters. Pure data: the session guards
// it with its lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "KelvoNetwork.h"

struct CameraRecord {
    uint32_t state = 0;
    uint32_t deviceNumber = 0;
    std::string key;
    std::string name;
    std::string nodeKey;
    std::string textA;
    std::string textB;
    std::string relayHost;  // at most 31 characters
    uint16_t basePort = 0;
    uint16_t streamPort = 0;
};

struct DirectoryNode {
    std::string name;
    std::string key;
    std::string textA;
    std::string textB;
    std::vector<std::unique_ptr<DirectoryNode>> children;
    std::vector<std::unique_ptr<CameraRecord>> cameras;
};

class Directory {
public:
    void Clear();

    // Node list reply payload: count and records after the 12-byte head.
    // Clears the tree first; false (tree left empty) when the length does
    // not match the count.
    bool ApplyNodeList(const uint8_t* packet, size_t length);
    // Camera list reply: adds the cameras to the tree and sorts. False when
    // the length does not match the count. `serverHost` fills empty relay
    // hosts.
    bool ApplyCameraList(const uint8_t* packet, size_t length, const char* serverHost);

    // Getters with the count rules of the C interface.
    int NodeCount(const char* key) const;
    int CopyNodes(const char* key, NodeInfo* out, int* count) const;
    int CameraCount(const char* key) const;
    int CopyCameras(const char* key, CameraInfo* out, int* count) const;

    const CameraRecord* FindCamera(const std::string& key) const;
    const std::vector<std::unique_ptr<DirectoryNode>>& TopLevel() const { return m_top; }
    size_t CameraTotal() const { return m_cameras.size(); }

private:
    DirectoryNode* FindNode(const std::string& key) const;
    const std::vector<std::unique_ptr<DirectoryNode>>* Level(const char* key, bool* known) const;
    void Index(DirectoryNode* node);
    void SortTopLevel();

    std::vector<std::unique_ptr<DirectoryNode>> m_top;
    std::map<std::string, CameraRecord*> m_cameras;  // points into the nodes
    // Key → nodes with that key, in creation order; a lookup with one
    // candidate skips the tree walk.
    std::unordered_map<std::string, std::vector<DirectoryNode*>> m_nodeIndex;
};
