#include "XvfbSession.h"

#include <SDL_image.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace viewertest {

std::string Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    std::vector<std::string> all(env), argsCopy(args);
    for (char** e = environ; *e; ++e) all.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (auto& a : argsCopy) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : all) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

int WaitExit(pid_t pid, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(50 * 1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

SDL_Surface* Shot(const std::string& display, const std::string& path) {
    std::string cmd = "DISPLAY=" + display + " import -window root '" + path + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return nullptr;
    SDL_Surface* raw = IMG_Load(path.c_str());
    if (!raw) return nullptr;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(raw);
    return rgb;
}

const uint8_t* Pixel(SDL_Surface* s, int x, int y) {
    return static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 3;
}

XDisplay::XDisplay() {
    int number = 90;
    while (Exists("/tmp/.X11-unix/X" + std::to_string(number)) || Exists("/tmp/.X" + std::to_string(number) + "-lock"))
        ++number;
    m_name = ":" + std::to_string(number);
    m_pid = Spawn({Env("XVFB", "/usr/bin/Xvfb"), m_name, "-screen", "0", "1600x900x24"}, {});
    for (int i = 0; i < 100 && m_pid > 0 && !Exists("/tmp/.X11-unix/X" + std::to_string(number)); ++i) usleep(50000);
}

XDisplay::~XDisplay() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    WaitExit(m_pid, 5000);
}

bool XDisplay::Xdo(const std::string& args) const {
    const std::string cmd = "DISPLAY=" + m_name + " xdotool " + args + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

bool XDisplay::Click(int x, int y, int button) const {
    if (!Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y))) return false;
    const std::string cmd = "DISPLAY=" + m_name + " xdotool getmouselocation --shell 2>/dev/null";
    std::string window;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char line[128];
        while (fgets(line, sizeof line, p))
            if (std::string(line).rfind("WINDOW=", 0) == 0) window = std::string(line + 7);
        pclose(p);
    }
    while (!window.empty() && (window.back() == '\n' || window.back() == '\r')) window.pop_back();
    if (!window.empty() && window != "0") Xdo("windowfocus " + window);
    return Xdo("click " + std::to_string(button));
}

void WriteDemoConfig(const std::string& path, int port, const std::string& extra) {
    std::ofstream f(path);
    f << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<config><autoLogin>1</autoLogin>"
         "<savePassword>1</savePassword><lastUser>demo</lastUser><lastPassword>ZGVtbw==</lastPassword>"
         "<serverAddress>127.0.0.1</serverAddress><serverPort>"
      << port << "</serverPort>" << extra << "</config>\n";
}

std::map<std::string, ControlBox> ReadLayout(const std::string& dir, const std::string& cls) {
    std::map<std::string, ControlBox> controls;
    std::ifstream f(dir + "/" + cls + ".layout");
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream in(line);
        std::string name;
        ControlBox box;
        int visible = 0, enabled = 0;
        if (in >> name >> box.left >> box.top >> box.right >> box.bottom >> visible >> enabled) {
            box.visible = visible != 0;
            box.enabled = enabled != 0;
            std::getline(in, box.text);
            if (!box.text.empty() && box.text[0] == ' ') box.text.erase(0, 1);
            controls.emplace(name, box);  // the first of a name, as the toolkit finds it
        }
    }
    return controls;
}

}  // namespace viewertest
