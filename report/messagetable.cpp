#include "messagetable.h"

#include "userinteraction.h"

#include <array>

namespace kelvoran {

namespace {

// Kind 2, numbers 0 to 48.
const std::array<const char16_t *, 49> kWarnings = {
    u"Title配置行・列が不正です。確認してください。",
    u"作成日時配置行・列が不正です。確認してください。",
    u"設定項目が空白です。確認してください。",
    u"Title・作成日時表示位置が同じです。変更してください。",
    u"選択した項目数の合計が251項目を超えています。選択数を減らしてください",
    u"キャンセルしました",
    u"SQLエラーです。確認してください。",
    u"スケジュール実行できるファイル設定にしますか?",
    u"ユーザー名・パスワード情報等にエラーがあります。",
    u"シート名が入力されていません。入力してください。",
    u"データの表示位置が65535行目を超えています。配置位置を確認してください。",
    u"データの表示位置が251列目を超えています。配置位置を確認してください。",
    u"Excelデータ出力用Title・ピボットデータ出力用Title表示位置が同じです。変更してください。",
    u"Excelデータ出力用作成日時・ピボットデータ出力用Title表示位置が同じです。変更してください。",
    u"Excelデータ出力用Title・ピボットデータ出力用作成日時表示位置が同じです。変更してください。",
    u"Excelデータ出力用作成日時・ピボットデータ出力用作成日時表示位置が同じです。変更してください"
    u"。",
    u"ピボットテーブルデータはExcelデータ配置列より右側に表示されるよう値を設定してください。",
    u"ピボットテーブル用Ｔｉｔｌｅ配置行・列とピボットデータ出力場所が重なります。確認してください"
    u"。",
    u"ピボットテーブル用作成日時配置行・列とピボットデータ出力場所が重なります。確認してください。",
    u"行番号が不正です。確認してください。",
    u"列番号が不正です。確認してください。",
    u"ピボットテーブル用Ｔｉｔｌｅ配置行・列とExcelデータデータ出力場所が重なります。確認してくださ"
    u"い。",
    u"ピボットテーブル用作成日時配置行・列とExcelデータデータ出力場所が重なります。確認してください"
    u"。",
    u"ピボットテーブル用Title・作成日時表示位置が同じです。変更してください。",
    u"Excelデータ出力用作成日時配置行・列とピボットテーブルデータ出力位置が重なります。変更してくだ"
    u"さい。",
    u"Excelデータ出力用Title配置行･列とピボットテーブルデータ出力位置が重なります。変更してください"
    u"。",
    u"ピボットテーブル用作成日時配置行番号が未設定です。確認してください。",
    u"ピボットテーブル用作成日時配置列番号が未設定です。確認してください。",
    u"ピボットテーブル用Title配置行番号が未設定です。確認してください。",
    u"ピボットテーブル用Title配置列番号が未設定です。確認してください。",
    u"ピボットテーブル出力用シート名が入力されていません。入力してください。",
    u"ピボットテーブル出力行番号が不正です。確認してください。",
    u"ピボットテーブル出力列番号が不正です。確認してください。",
    u"ピボットテーブルデータの出力行番号が不正です。確認してください。",
    u"ピボットテーブルデータの出力列番号が不正です。確認してください。",
    u"ピボットテーブル用作成日時配置行番号が不正です。確認してください。",
    u"ピボットテーブル用作成日時配置列番号が不正です。確認してください。",
    u"ピボットテーブル用Title配置行番号が不正です。確認してください。",
    u"ピボットテーブル用Title配置列番号が不正です。確認してください。",
    u"ピボットテーブルデータの出力行番号が65535行目を超えています。配置位置を確認してください。",
    u"ピボットテーブルデータの出力列番号が251列目を超えています。配置位置を確認してください。",
    u"ピボットテーブル用Title配置行番号が65535行目を超えています。配置位置を確認してください。",
    u"ピボットテーブル用Title配置列番号が251列目を超えています。配置位置を確認してください。",
    u"ピボットテーブル用作成日時配置行番号が65535行目を超えています。配置位置を確認してください。",
    u"ピボットテーブル用作成日時配置列番号が251列目を超えています。配置位置を確認してください。",
    u"雛形終了セルが指定されていません。確認してください。",
    u"繰り返し開始セルが指定されていません。確認してください。",
    u"繰り返し終了セルが指定されていません。確認してください。",
    u"改ページ行数が指定されていません。確認してください。",
};

} // namespace

QString messageText(int kind, int number) {
    if (kind == 1) {
        if (number == 2)
            return QStringLiteral("SQLを実行しました。");
        if (number == 3)
            return QStringLiteral("プロシージャを実行しました。");
        return QString();
    }
    if (kind == 2 && number >= 0 && number < int(kWarnings.size()))
        return QString::fromUtf16(kWarnings[size_t(number)]);
    return QString();
}

int ShowMessageNo(UserInteraction &ui, int kind, int number) {
    const QString text = messageText(kind, number);
    if (text.isEmpty())
        return 0;
    if (kind == 2 && number == 7)
        return ui.confirm(text) ? 0 : 1;
    const bool information = kind == 1 || number == 2 || number == 3 || number == 5 || number == 7;
    ui.inform(information ? MessageIcon::Information : MessageIcon::Warning, text);
    return 0;
}

namespace SettingsText {
QString saveError() {
    return QStringLiteral("設定保存中にエラーが発生しました。");
}
QString noFormatBlock() {
    return QStringLiteral("設定ファイルにフォーマット設定がありません。");
}
QString loadError() {
    return QStringLiteral("Message     :設定ファイル読み出し中にエラーが発生しました。"
                          "設定ファイルにエラーがある可能性があります。");
}
QString csvExportQuestion() {
    return QStringLiteral("スケジュール画面・KelvoranClientからのCSV出力時にはエクセル設定は無効に"
                          "なりますがよろしいですか？");
}
QString cancelled() {
    return QStringLiteral("中止しました。");
}
QString importFileTitle() {
    return QStringLiteral("Importファイルの選択");
}
QString importFileFilter() {
    return QStringLiteral("CSV files (*.csv)|*.csv");
}
QString sqlFileFilter() {
    return QStringLiteral("SQL files(*.sql)|*.sql|Text files(*.txt)|*.txt");
}
QString importColumnNameCaption() {
    return QStringLiteral("項目名有無（チェックで１行目を省く）");
}
QString settingsFileFilter() {
    return QStringLiteral("Kelvoran files (*.kvr)|*.kvr");
}
QString openFileFilter() {
    return QStringLiteral("Kelvoran/Schedule/SQL/TXT files (*.kvr;*.kvs;*.sql;*.txt)|*.kvr;*.kvs;*."
                          "sql;*.txt|Kelvoran files (*.kvr)|*.kvr|Schedule files (*.kvs)|*.kvs|SQL "
                          "files (*.sql)|*.sql|Text files (*.txt)|*.txt");
}
QString beginMarker() {
    return QStringLiteral("/* ここから下はフォーマット設定です。変更しないでください。*/");
}
QString endMarker() {
    return QStringLiteral("/* ここから上はフォーマット設定です。変更しないでください。*/");
}
} // namespace SettingsText

} // namespace kelvoran
