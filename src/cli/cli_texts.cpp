#include "cli/cli_texts.h"

#include <cinttypes>
#include <cstdarg>
#include <cstring>
#include <string_view>

namespace {

struct Pair {
    const char* english;
    const char* japanese;
};

// Each Japanese line keeps the conversions of its English key, in the same order.
constexpr Pair kJapanese[] = {
    // The command line and the help.
    {"usage: plnctl [OPTIONS] COMMAND [ARGUMENTS]\n"
     "       plnctl COMMAND --help\n"
     "       plnctl --help | --version",
     "使い方: plnctl [オプション] コマンド [引数]\n"
     "        plnctl コマンド --help\n"
     "        plnctl --help | --version"},
    {"usage: plnctl [OPTIONS] %s", "使い方: plnctl [オプション] %s"},
    {"options (plnctl COMMAND --help shows those of each command):",
     "オプション（各コマンドで使えるものは plnctl コマンド --help で表示）:"},
    {"options:", "オプション:"},
    {"commands:", "コマンド:"},
    {"exit status: 0 done, 1 failed, 2 usage error, 128 + the signal when stopped by one (130 for Ctrl-C)",
     "終了ステータス: 0 成功、1 失敗、2 使い方の誤り、シグナルで止められたときは 128 + シグナル番号（Ctrl-C は 130）"},
    {"see plnctl %s --help", "詳しくは plnctl %s --help を参照"},
    {"see plnctl --help", "詳しくは plnctl --help を参照"},
    {"unknown option %s", "不明なオプション %s"},
    {"%s does not go with %s", "%s は %s では使えない"},
    {"--%s takes no value", "--%s は値を取らない"},
    {"%s needs a value (%s)", "%s には値（%s）が必要"},
    {"--%s goes with a command", "--%s はコマンドとともに使う"},
    {"no command given", "コマンドが指定されていない"},
    {"unknown command %s", "不明なコマンド %s"},
    {"--language takes japanese or english", "--language には japanese か english を指定する"},
    {"--com takes a port number from 1 to 16", "--com には 1 から 16 のポート番号を指定する"},
    {"--%s needs a non-empty value", "--%s には空でない値が必要"},
    {"--delimiter takes CR, LF or CRLF", "--delimiter には CR, LF, CRLF のいずれかを指定する"},
    {"give at most one of --com, --device, --host", "--com, --device, --host はどれか 1 つだけ指定する"},
    {"--settings goes with --com or --device, not with --host",
     "--settings は --com か --device とともに使い、--host とは使えない"},
    {"send needs the command text", "send には送るコマンドのテキストが必要"},
    {"%s select takes a number from 0 to 31", "%s select には 0 から 31 の番号を指定する"},
    {"measure takes once, inspect, start or stop", "measure には once, inspect, start, stop のいずれかを指定する"},
    {"%s takes no arguments", "%s は引数を取らない"},
    {"%s takes one folder", "%s にはフォルダーを 1 つ指定する"},
    {"%s %s takes a number from 0 to 31 and a file", "%s %s には 0 から 31 の番号とファイルを指定する"},
    {"system takes save or load and a file", "system には save か load とファイルを指定する"},
    {"xmodem takes recv FILE or send FILE", "xmodem には recv ファイル か send ファイル を指定する"},
    {"image get takes an image number from 0 to 99 or live", "image get には 0 から 99 の画像番号か live を指定する"},
    {"the output must end in .bmp, .BYR or .GRY", "出力ファイル名は .bmp, .BYR, .GRY のいずれかで終わること"},
    {"the input must end in .bmp, .BYR or .GRY", "入力ファイル名は .bmp, .BYR, .GRY のいずれかで終わること"},
    {"use image get N|live OUT or image put IN", "image get N|live 出力 か image put 入力 と指定する"},
    {"ports takes --probe and the port numbers (1-16) to ask",
     "ports には --probe と問い合わせるポート番号（1-16）を指定する"},
    {"--pattern takes RGGB, GBRG, GRBG or BGGR", "--pattern には RGGB, GBRG, GRBG, BGGR のいずれかを指定する"},
    {"--gain takes three numbers from 0 to 255: R,G,B", "--gain には 0 から 255 の数を 3 つ R,G,B の形で指定する"},
    {"give one non-empty -o", "-o は空でないものを 1 つだけ指定する"},
    {"give one non-empty -d", "-d は空でないものを 1 つだけ指定する"},
    {"no input file", "入力ファイルがない"},
    {"give either -o OUTPUT or -d DIR", "-o 出力 か -d フォルダー のどちらかを指定する"},
    {"several inputs need -d DIR", "入力が複数のときは -d フォルダー が必要"},
    // The link.
    {"bad address %s", "アドレス %s が正しくない"},
    {"cannot connect to %s: %s", "%s に接続できない: %s"},
    {"the connection was closed", "接続が閉じられた"},
    {"no answer from %s within %lld seconds", "%s から %lld 秒以内に応答がない"},
    {"no serial port %d was found; name its device with PLNTOOL_COM%d=PATH or use --device PATH "
     "(plnctl ports lists the ports)",
     "シリアルポート %d が見つからない。PLNTOOL_COM%d=パス でデバイスを指定するか --device パス を使う"
     "（ポートの一覧は plnctl ports）"},
    {"no valid reply on %s (%s)", "%s（%s）から有効な応答がない"},
    {"no reply from the controller", "コントローラーから応答がない"},
    {"the controller answered ER", "コントローラーが ER を返した"},
    {"the controller answered %s", "コントローラーの応答: %s"},
    // Transfers, images, backups.
    {"stopped", "中止した"},
    {"stopped; the load of %s did not complete", "中止した。%s の読み込みは完了していない"},
    {"stopped; the previous %s is unchanged", "中止した。以前の %s は変わっていない"},
    {"stopped; %s was not made", "中止した。%s は作られていない"},
    {"nothing was loaded", "何も読み込んでいない"},
    {"the controller has already taken %s (1 of %d files)", "コントローラーは %s を読み込み済み（%d ファイル中 1）"},
    {"the controller has already taken %s to %s (%d of %d files)",
     "コントローラーは %s から %s までを読み込み済み（%d / %d ファイル）"},
    {"the backup failed", "バックアップに失敗した"},
    {"the restore failed", "復元に失敗した"},
    {"the backup failed at %s", "%s でバックアップに失敗した"},
    {"the restore failed at %s", "%s で復元に失敗した"},
    {"%s; the previous backup in %s is unchanged", "%s。%s の以前のバックアップは変わっていない"},
    {"%s; %s was not made", "%s。%s は作られていない"},
    {"save of %s failed", "%s への保存に失敗した"},
    {"load of %s failed", "%s の読み込みに失敗した"},
    {"%s is empty: there is nothing to send", "%s は空なので送るものがない"},
    {"the transfer failed", "転送に失敗した"},
    {"the transfer timed out", "転送がタイムアウトした"},
    {"the controller cancelled the transfer", "コントローラーが転送を取り消した"},
    {"the image was not downloaded", "画像をダウンロードできなかった"},
    {"the downloaded image could not be converted", "ダウンロードした画像を変換できなかった"},
    {"the image could not be converted", "画像を変換できなかった"},
    {"the controller did not give its image format", "コントローラーが画像形式を返さなかった"},
    {"the image was not uploaded", "画像をアップロードできなかった"},
    {"%" PRIu64 " bytes", "%" PRIu64 " バイト"},
    {"%s left", "残り %s"},
    {"%d files, %" PRIu64 " bytes in %s", "%d ファイル、%" PRIu64 " バイト、%s"},
    // Serial ports.
    {"free", "空き"},
    {"in use", "使用中"},
    {"not allowed", "権限なし"},
    {"missing", "なし"},
    {"no serial port was found; name one with PLNTOOL_COM<n>=PATH",
     "シリアルポートが見つからない。PLNTOOL_COM<n>=パス で指定できる"},
    {"a controller answers on COM%d = %s at %s", "COM%d = %s で %s のコントローラーが応答した"},
    {"no controller answered on any free port", "空いているどのポートでもコントローラーが応答しなかった"},
};

std::string vformat(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0)
        return {};
    std::string text(size_t(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(size_t(n));
    return text;
}

} // namespace

const char* cliText(int language, const char* english)
{
    if (language != 0)
        return english;
    for (const Pair& p : kJapanese)
        if (std::strcmp(p.english, english) == 0)
            return p.japanese;
    return english;
}

void cliSay(int language, const char* englishFormat, ...)
{
    va_list args;
    va_start(args, englishFormat);
    const std::string text = vformat(cliText(language, englishFormat), args);
    va_end(args);
    std::fprintf(stderr, "plnctl: %s\n", text.c_str());
}

std::string cliFormat(int language, const char* englishFormat, ...)
{
    va_list args;
    va_start(args, englishFormat);
    std::string text = vformat(cliText(language, englishFormat), args);
    va_end(args);
    return text;
}

bool cliTextsMatch(std::string* problem)
{
    // Every translation must take the arguments of its key: the same conversions in order.
    auto conversions = [](std::string_view s) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] != '%')
                continue;
            ++i;
            while (i < s.size() && std::strchr("0123456789.-+ #l", s[i]))
                out += s[i++];
            if (i < s.size())
                out += s[i];
            out += ';';
        }
        return out;
    };
    for (const Pair& p : kJapanese) {
        if (conversions(p.english) != conversions(p.japanese)) {
            if (problem)
                *problem = p.english;
            return false;
        }
    }
    return true;
}
