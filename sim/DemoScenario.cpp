#include "sim/DemoScenario.h"

namespace sim {

namespace {
const char* const kDemo = R"json({
  "central": {"port": 8116},
  "http": {"port": 8140},
  "relays": [{"id": "relay1", "port": 8120}, {"id": "relay2", "port": 8121}],
  "recordServers": [{"id": "rec1", "port": 8132}, {"id": "rec2", "port": 8133}],
  "camerasPerReply": 8,
  "keepAliveSeconds": 30,
  "accounts": [
    {"user": "demo", "password": "demo", "videonum": 16,
     "rights": {"ptz": 1, "alarm": 1, "talk": 1, "node": 1, "screen": 1, "video": 1, "manageuser": 1}},
    {"user": "viewer", "password": "viewer", "videonum": 4,
     "rights": {"ptz": 0, "alarm": 1, "talk": 0, "node": 1, "screen": 1, "video": 0, "manageuser": 0}},
    {"user": "office", "password": "office",
     "schedule": [{"days": [1, 2, 3, 4, 5], "begin": "08:00:00", "end": "18:00:00"}]},
    {"user": "night", "password": "night",
     "schedule": [{"days": [0, 1, 2, 3, 4, 5, 6], "begin": "00:00:00", "end": "06:00:00"},
                  {"days": [0, 1, 2, 3, 4, 5, 6], "begin": "20:00:00", "end": "23:59:59"}]},
    {"user": "expired", "password": "expired", "expiresInSeconds": -86400},
    {"user": "single", "password": "single", "maxLogins": 1},
    {"user": "elsewhere", "password": "elsewhere", "result": 3},
    {"user": "busy9", "password": "busy9", "result": 9},
    {"user": "busy10", "password": "busy10", "result": 10},
    {"user": "busy24", "password": "busy24", "result": 24},
    {"user": "lapsed", "password": "lapsed", "result": 18},
    {"user": "oldclient", "password": "oldclient", "result": 21},
    {"user": "toomany", "password": "toomany", "result": 23},
    {"user": "odd", "password": "odd", "result": 99}
  ],
  "nodes": [
    {"key": "N1", "name": "总部大楼"},
    {"key": "N11", "name": "一楼大厅", "parent": "N1"},
    {"key": "N12", "name": "停车场", "parent": "N1"},
    {"key": "N2", "name": "东区仓库"},
    {"key": "N21", "name": "装卸区", "parent": "N2"},
    {"key": "N22", "name": "库房", "parent": "N2"},
    {"key": "N3", "name": "南门分店"},
    {"key": "N31", "name": "收银台", "parent": "N3"},
    {"key": "N32", "name": "后门", "parent": "N3"}
  ],
  "cameras": [
    {"key": "C001", "name": "大厅入口云台", "node": "N11", "device": 1001, "width": 704, "height": 576,
     "ptz": true, "recordings": {"days": 7}},
    {"key": "C002", "name": "前台", "node": "N11", "device": 1002, "audio": 16,
     "recordings": {"days": 7}},
    {"key": "C003", "name": "电梯间", "node": "N11", "device": 1003, "online": false},
    {"key": "C004", "name": "停车场东", "node": "N12", "device": 1004, "width": 1280, "height": 720, "fps": 15},
    {"key": "C005", "name": "停车场西", "node": "N12", "device": 1005, "audio": 26},
    {"key": "C018", "name": "总部周界", "node": "N1", "device": 1018, "relay": "relay2", "record": "rec2"},
    {"key": "C006", "name": "装卸区一号", "node": "N21", "device": 2006, "relay": "relay2",
     "record": "rec2", "recordings": {"days": 7, "everyMinutes": 30, "segmentMinutes": 15}},
    {"key": "C007", "name": "装卸区二号", "node": "N21", "device": 2007, "relay": "relay2",
     "alarm": {"periodSeconds": 30, "region": 1, "x": 96, "y": 80, "width": 120, "height": 90}},
    {"key": "C008", "name": "叉车通道", "node": "N21", "device": 2008, "online": false},
    {"key": "C009", "name": "库房A", "node": "N22", "device": 2009, "fps": 15},
    {"key": "C010", "name": "库房B全景", "node": "N22", "device": 2010, "width": 1920, "height": 1080,
     "fps": 10, "relay": "relay2"},
    {"key": "C011", "name": "冷库", "node": "N22", "device": 2011},
    {"key": "C012", "name": "收银台一", "node": "N31", "device": 3012, "audio": 17,
     "recordings": {"days": 7}},
    {"key": "C013", "name": "收银台二", "node": "N31", "device": 3012},
    {"key": "C014", "name": "货架区", "node": "N31", "device": 3014, "width": 704, "height": 576},
    {"key": "C015", "name": "后门", "node": "N32", "device": 3015, "live": true},
    {"key": "C016", "name": "仓储通道", "node": "N32", "device": 3016, "online": false},
    {"key": "C017", "name": "外街", "node": "N32", "device": 3017, "fps": 12}
  ]
}
)json";
}  // namespace

const std::string& DemoScenario::Json() {
    static const std::string text(kDemo);
    return text;
}

}  // namespace sim
