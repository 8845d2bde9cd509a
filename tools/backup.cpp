// tablora-backup DB DEST_DIR: one checked copy of the restaurant's database, safe while the
// program runs (for cron or a systemd timer). Prints the copy's path; exits non-zero with a
// message on standard error when there is no good copy to be made.
#include <cstdio>
#include <string>

#include "data/backup.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr,
                     "用法: tablora-backup 数据库文件 备份文件夹\n"
                     "把数据库做一份经过校验的副本 cysj-年月日-时分秒.db 放进备份文件夹。\n");
        return 2;
    }
    const auto now = tablora::util::localNow();
    const auto result = tablora::data::backupDatabase(argv[1], argv[2], now);
    // Kept as the program keeps its own folder: the newest copies and one a month, and what a
    // run cut short left behind once it is a day old. Run from cron, nothing else would.
    tablora::data::pruneBackups(argv[2], now);
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        return 1;
    }
    std::printf("%s\n", result.path.c_str());
    return 0;
}
