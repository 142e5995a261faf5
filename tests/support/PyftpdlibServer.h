#pragma once

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/FileBytes.h"
#include "support/ServerProcess_linux.h"

namespace velm::test {

// A real FTP server (pyftpdlib) started by the test over a folder of its
// own, on a port it picks, logging every command it receives. Linux only.
class PyftpdlibServer {
public:
    PyftpdlibServer(const std::filesystem::path& root, const std::string& user,
                    const std::string& password)
        : process_({"/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", "0", "-u", user,
                    "-P", password, "-d", root.string(), "-D"},
                   root.parent_path() / (root.filename().string() + "-pyftpdlib.log"),
                   std::regex(R"(starting FTP server on 127\.0\.0\.1:(\d+))")) {}

    int port() const { return process_.port(); }

    // Every command line the server logged ("SIZE a.exe"; PASS masked).
    std::vector<std::string> commands() const {
        std::vector<std::string> found;
        const std::string text = readFileBytes(process_.log());
        const std::string marker = "] <- ";
        for (std::size_t at = text.find(marker); at != std::string::npos;
             at = text.find(marker, at + 1)) {
            const std::size_t end = text.find('\n', at);
            found.push_back(text.substr(at + marker.size(), end - at - marker.size()));
        }
        return found;
    }

    // The commands beginning with `verb`.
    std::vector<std::string> commands(const std::string& verb) const {
        std::vector<std::string> found;
        for (const std::string& c : commands())
            if (c.rfind(verb, 0) == 0) found.push_back(c);
        return found;
    }

private:
    ServerProcess process_;
};

}  // namespace velm::test
