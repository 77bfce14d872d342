// A wallpaper command for tests: writes every argument after the first, each ended by a NUL
// byte, into the file the first one names, exactly as the program received them.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::FILE* record = std::fopen(argv[1], "wb");
    if (!record) return 1;
    for (int i = 2; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, record);
    return std::fclose(record) == 0 ? 0 : 1;
}
