#include "cli/option_table.h"

#include <algorithm>

const std::vector<OptionSpec>& cliOptionTable()
{
    using S = OptionScope;
    static const std::vector<OptionSpec> table = {
        {"help", 'h', nullptr, S::Everywhere, {},
         "show the help (of the command) and run nothing",
         "ヘルプ（コマンドのヘルプ）を表示し、何も実行しない"},
        {"version", 0, nullptr, S::Command, {""},
         "show the version",
         "バージョンを表示する"},
        {"program-folder", 0, "DIR", S::Everywhere, {},
         "the folder with Setting.ini and the texts (default: plnctl's own)",
         "Setting.ini と表示テキストのあるフォルダー（既定: plnctl のフォルダー）"},
        {"language", 0, "japanese|english", S::Everywhere, {},
         "the language of everything plnctl prints (default: from LC_ALL, LC_MESSAGES, LANG)",
         "plnctl が表示する言語（既定: LC_ALL, LC_MESSAGES, LANG による）"},
        {"com", 0, "N", S::Link, {},
         "serial port N (1-16) with the settings of Setting.ini (see plnctl ports)",
         "シリアルポート N（1-16）、通信設定は Setting.ini のもの（plnctl ports を参照）"},
        {"device", 0, "PATH", S::Link, {},
         "this serial device, e.g. /dev/ttyUSB0",
         "このシリアルデバイス（例: /dev/ttyUSB0）"},
        {"settings", 0, "S", S::Link, {},
         "the line settings with --com or --device, e.g. \"38400,N,8,1\"",
         "--com または --device の通信設定（例: \"38400,N,8,1\"）"},
        {"host", 0, "ADDR[:PORT]", S::Link, {},
         "the controller's address on the LAN (port 23 by default)",
         "LAN 上のコントローラーのアドレス（既定のポートは 23）"},
        {"delimiter", 0, "CR|LF|CRLF", S::Link, {},
         "the command terminator (default: Setting.ini's)",
         "コマンドの区切り文字（既定: Setting.ini のもの）"},
        {"json", 0, nullptr, S::Json, {},
         "print one JSON object with what was done on standard output",
         "実行結果を 1 つの JSON オブジェクトとして標準出力に書く"},
        {"quiet", 'q', nullptr, S::Quiet, {},
         "show no progress",
         "進行状況を表示しない"},
        {"probe", 0, nullptr, S::Command, {"ports"},
         "ask each free port at each speed whether a controller answers",
         "空いている各ポートに各速度でコントローラーが応答するか問い合わせる"},
        {"pattern", 0, "RGGB|GBRG|GRBG|BGGR", S::Command, {"convert"},
         "the Bayer pattern instead of the file's",
         "ファイルのものに代わるベイヤー配列"},
        {"gain", 0, "R,G,B", S::Command, {"convert"},
         "the gains (0-255) instead of the file's",
         "ファイルのものに代わるゲイン（0-255）"},
        {"output", 'o', "OUTPUT", S::Command, {"convert"},
         "the file to write (one input)",
         "書き出すファイル（入力が 1 つのとき）"},
        {"directory", 'd', "DIR", S::Command, {"convert"},
         "the folder to write into",
         "書き出すフォルダー"},
    };
    return table;
}

const std::vector<CommandSpec>& cliCommandTable()
{
    using A = ArgumentKind;
    static const std::vector<CommandSpec> table = {
        {"send", "TEXT...", "テキスト...", {}, A::None, true, false, false,
         "send one command line, print the reply",
         "コマンドを 1 行送り、応答を表示する"},
        {"capture", "", "", {}, A::None, true, false, false,
         "capture an image on the controller",
         "コントローラーで画像を取り込む"},
        {"image", "get N|live OUT | put IN", "get N|live 出力 | put 入力", {"get", "put"}, A::Files, true, true, true,
         "download image N (0..99) or the live image into OUT (.bmp as shown, .BYR/.GRY raw), or upload IN",
         "画像 N（0..99）かライブ画像を出力へダウンロード（.bmp は表示どおり、.BYR/.GRY は生画像）、または入力をアップロード"},
        {"bank", "select N | save|load N FILE", "select N | save|load N ファイル", {"select", "save", "load"}, A::Files,
         true, false, true,
         "switch the active bank, or save bank N (0..31) into FILE or load FILE into it",
         "アクティブなバンクを切り替える、またはバンク N（0..31）をファイルに保存・ファイルから読み込む"},
        {"group", "select N | save|load N FILE", "select N | save|load N ファイル", {"select", "save", "load"},
         A::Files, true, false, true,
         "the same for bank group N",
         "バンクグループ N について同じことをする"},
        {"system", "save|load FILE", "save|load ファイル", {"save", "load"}, A::Files, true, false, true,
         "save the system data into FILE or load FILE into the controller",
         "システムデータをファイルに保存する、またはファイルからコントローラーに読み込む"},
        {"backup", "DIR", "フォルダー", {}, A::Folders, true, true, true,
         "save every bank, bank group and the system data into DIR (BANK/, BANKGRP/, SYSTEM/ and MANIFEST.txt, "
         "written last)",
         "全バンク・全バンクグループとシステムデータをフォルダーに保存する（BANK/, BANKGRP/, SYSTEM/ と最後に書く "
         "MANIFEST.txt）"},
        {"restore", "DIR", "フォルダー", {}, A::Folders, true, true, true,
         "check DIR against its manifest, then load it all back",
         "フォルダーを MANIFEST.txt と照合してから、すべてをコントローラーに読み込む"},
        {"measure", "once|inspect|start|stop", "once|inspect|start|stop", {"once", "inspect", "start", "stop"}, A::None,
         true, true, false,
         "run one measurement or an inspection, or start or stop continuous measurement",
         "計測を 1 回または検査を実行する、または連続計測を開始・停止する"},
        {"result", "", "", {}, A::None, true, true, false,
         "print the judgement and the measured value",
         "判定と計測値を表示する"},
        {"xmodem", "recv|send FILE", "recv|send ファイル", {"recv", "send"}, A::Files, true, false, true,
         "receive or send one file with XMODEM, no command first",
         "コマンドを送らずに XMODEM でファイルを 1 つ受信または送信する"},
        {"convert", "[--pattern P] [--gain R,G,B] INPUT... (-o OUTPUT | -d DIR)",
         "[--pattern P] [--gain R,G,B] 入力... (-o 出力 | -d フォルダー)", {}, A::Files, false, false, false,
         "convert raw images (.BYR, .GRY) to BMP, or a BMP to the controller's raw form",
         "生画像（.BYR, .GRY）を BMP に、または BMP をコントローラーの生画像形式に変換する"},
        {"ports", "[--probe [N...]]", "[--probe [N...]]", {}, A::None, false, true, false,
         "list the serial ports with their COM numbers; --probe finds where a controller answers",
         "シリアルポートを COM 番号とともに一覧する。--probe でコントローラーが応答するポートを探す"},
    };
    return table;
}

const CommandSpec* findCommand(std::string_view name)
{
    for (const CommandSpec& c : cliCommandTable())
        if (name == c.name)
            return &c;
    return nullptr;
}

std::vector<const OptionSpec*> optionsFor(const CommandSpec* command)
{
    std::vector<const OptionSpec*> out;
    const std::string_view name = command ? command->name : "";
    for (const OptionSpec& o : cliOptionTable()) {
        bool goes = false;
        switch (o.scope) {
        case OptionScope::Everywhere: goes = true; break;
        case OptionScope::Link: goes = command && command->link; break;
        case OptionScope::Json: goes = command && command->json; break;
        case OptionScope::Quiet: goes = command && command->quiet; break;
        case OptionScope::Command:
            goes = std::find(o.commands.begin(), o.commands.end(), name) != o.commands.end();
            break;
        }
        if (goes)
            out.push_back(&o);
    }
    return out;
}

std::string optionLabel(const OptionSpec& option)
{
    std::string label;
    if (option.shortName)
        label = std::string("-") + option.shortName + ", ";
    label += std::string("--") + option.longName;
    if (option.valueName)
        label += std::string(" ") + option.valueName;
    return label;
}
