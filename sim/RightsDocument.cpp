#include "sim/RightsDocument.h"

#include <sstream>

namespace sim {

namespace {
std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}
}  // namespace

std::string RightsDocument::For(const Account& a) {
    std::ostringstream os;
    os << "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<user name=\"" << Escape(a.user) << "\">\n"
       << "  <right ptz=\"" << a.ptz << "\" alarm=\"" << a.alarm << "\" talk=\"" << a.talk << "\" node=\""
       << a.node << "\" screen=\"" << a.screen << "\" video=\"" << a.video << "\" manageuser=\""
       << a.manageUser << "\" videonum=\"" << a.videoNum << "\"/>\n  <schedule>\n";
    for (const auto& day : a.schedule) {
        os << "    <time_list week=\"" << day.first << "\">\n";
        for (const TimeSpan& t : day.second)
            os << "      <time begin=\"" << t.begin << "\" end=\"" << t.end << "\"/>\n";
        os << "    </time_list>\n";
    }
    os << "  </schedule>\n</user>\n";
    return os.str();
}

}  // namespace sim
