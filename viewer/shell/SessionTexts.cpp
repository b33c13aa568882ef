#include "SessionTexts.h"

#include <cstdio>

namespace kelvo {

std::string SessionErrorText(int value1, int value2) {
    switch (value1) {
    case 516: return "设备通道已占用，请稍候再试！";
    case 517: return "打开对讲出现错误，请检查声卡是否正确安装！";
    case 1025:
    case 1027: return "网络无法连通，请稍后重试！";
    case 1028: return "账号已经过期或者锁定，请和管理员联系！";
    case 1026:
        switch (value2) {
        case 3: return "用户已经在别处登录，请稍后再试！";
        case 7: return "用户名或者密码错误，请重新输入！";
        case 9:
        case 10:
        case 24: return "当前服务器负载过高，请稍后再试！";
        case 18: return "用户已经过期，请进行续费！";
        case 21: return "客户端版本错误，请重新下载安装！";
        case 23: return "用户已经达到同时登录上限，请稍后重试！";
        default: {
            char text[128];
            std::snprintf(text, sizeof text, "未预知的错误(%d)，请稍后重试！", value2);
            return text;
        }
        }
    default: return "系统出现不可预知的错误，请和开发商联系!";
    }
}

bool GridForCount(int n, int* columns, int* rows) {
    static const struct {
        int upTo, columns, rows;
    } kGrids[] = {{1, 1, 1}, {4, 2, 2}, {9, 3, 3}, {12, 4, 3}, {16, 4, 4},
                  {25, 5, 5}, {36, 6, 6}, {49, 7, 7}, {64, 8, 8}};
    for (const auto& g : kGrids)
        if (n <= g.upTo) {
            *columns = g.columns;
            *rows = g.rows;
            return true;
        }
    return false;
}

}  // namespace kelvo
