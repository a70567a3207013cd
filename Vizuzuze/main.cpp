#include <cstdio>

// Until the engine core lands the program only says that it started.
int main()
{
    std::FILE *log = std::fopen("console.log", "ab");
    if (log) {
        std::fputs("\nEngine started: placeholder build, no engine yet\n", log);
        std::fclose(log);
    }
    return 0;
}
