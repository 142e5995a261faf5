// Started by the shell tests: writes its arguments after the first, one per
// line, to the file the first names. The file appears whole: it is written
// aside and then renamed.
#include <cstdio>
#include <string>

#ifdef _WIN32
int _dowildcard = 0;  // the C runtime must not expand "*.exe" by itself
#endif

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string part = std::string(argv[1]) + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) return 1;
    for (int i = 2; i < argc; ++i) {
        std::fputs(argv[i], f);
        std::fputc('\n', f);
    }
    if (std::fclose(f) != 0) return 1;
    return std::rename(part.c_str(), argv[1]) == 0 ? 0 : 1;
}
