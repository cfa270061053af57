#include "report/messagetable.h"

#include "report/userinteraction.h"

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

namespace RangeText {
QString headerFormatColumn(const QString &value) {
    return QStringLiteral(
               "項目名行フォーマットの適用列が不正です。1～251の列番号を指定してください。：") +
           value;
}
QString headerColour(const QString &value) {
    return QStringLiteral("項目名行の色番号が不正です。色を選び直してください。：") + value;
}
QString columnWidth(const QString &value, int row) {
    return QStringLiteral("項目幅が不正です。0～255の数値を指定してください。：%1（%2行目）")
        .arg(value)
        .arg(row);
}
QString groupColour(const QString &value, int row) {
    return QStringLiteral(
               "グループ集計行の色番号が不正です。色を選び直してください。：%1（%2行目）")
        .arg(value)
        .arg(row);
}
QString rowsPerPage(const QString &value) {
    return QStringLiteral("改ページ行数が不正です。1以上の数値を指定してください。：") + value;
}
} // namespace RangeText

namespace ReportText {
QString columnLimit() {
    return QStringLiteral("項目表示位置が251列目を超えています。"
                          "項目数を減らすか表示位置を変更してください。");
}
QString rowLimit() {
    return QStringLiteral("データ表示位置が65535行目をを超えています。"
                          "レコード数を減らすか表示位置を変更してください。");
}
QString noDataPivotQuestion() {
    return QStringLiteral("データが無いため、ピボットテーブルは作成されませんがよろしいですか？");
}
QString confirmOutput(int itemCount, qint64 dataCount) {
    return QStringLiteral("[選択項目数：") + QString::number(itemCount) +
           QStringLiteral("個、データ数：") + QString::number(dataCount) +
           QStringLiteral("データ]をExcel出力してよろしいですか？");
}
QString writerError() {
    return QStringLiteral("エクセル作成中にエラーが発生しました。：");
}
QString status(qint64 record, qint64 dataCount) {
    return QStringLiteral("Excelﾃﾞｰﾀ作成中… [") + QString::number(record) + QLatin1Char('/') +
           QString::number(dataCount) + QLatin1Char(']');
}
QString madeAt() {
    return QStringLiteral(" 現在データ");
}
QString queryBuildError() {
    return QStringLiteral("SQL作成エラー");
}
QString queryError() {
    return QStringLiteral("SQLエラー");
}
QString excelError() {
    return QStringLiteral("Excel作成エラー");
}
QString noSelectClause() {
    return QStringLiteral("SELECT句がありません。");
}
QString noGroupKey() {
    return QStringLiteral("グループ合計のキー項目が指定されていません。確認してください。");
}
QString extractionFailure(const QString &inner) {
    return QStringLiteral("データ抽出エラー <<") + inner + QStringLiteral(">>");
}
QString failure(const QString &inner) {
    return QStringLiteral("エラー <<") + inner + QStringLiteral(">>");
}
QString formulaTextKept(const QString &column) {
    return QStringLiteral("列「%1」の「=」「+」「-」「@」で始まる値は、数式にせず入力どおりの"
                          "文字列として出力しました。")
        .arg(column);
}
QString longNumberKept(const QString &column) {
    return QStringLiteral("列「%1」の有効桁数が15桁を超える数値は、丸めずにすべての桁を文字列と"
                          "して出力しました。")
        .arg(column);
}
QString noticesHeading(const QString &fileName) {
    return QStringLiteral("Excelファイル「%1」を作成しました。次の点を確認してください。")
        .arg(fileName);
}
} // namespace ReportText

namespace CsvJobText {
QString separatorError() {
    return QStringLiteral("区切り文字指定エラー");
}
QString exportError() {
    return QStringLiteral("CSVファイル出力エラー");
}
QString importError() {
    return QStringLiteral("CSVファイルインポートエラー");
}
QString settingsNotKvr() {
    return QStringLiteral("ファイルが存在しません。ファイルの読み出しエラー");
}
QString sourceNotCsv() {
    return QStringLiteral("ファイル拡張子がCSVではありませんでした。ファイルの読み出しエラー");
}
QString exportStatus(qint64 line, qint64 total, const QString &rowLabel, const QString &fileName) {
    return QStringLiteral("CSVExportﾃﾞｰﾀ作成中… [%1/%2]  実行スケジュール：「%3」：<%4>")
        .arg(line)
        .arg(total)
        .arg(rowLabel, fileName);
}
QString importStatus(qint64 line, const QString &rowLabel, const QString &fileName) {
    return QStringLiteral("CSVデータImport中… [%1]  実行スケジュール：「%2」：<%3>")
        .arg(line)
        .arg(rowLabel, fileName);
}
} // namespace CsvJobText

namespace EntryText {
QString completed() {
    return QStringLiteral("正常終了");
}
QString unprocessed() {
    return QStringLiteral("未処理");
}
QString runEnded(int errorCount) {
    return QStringLiteral("スケジュール終了〔エラー件数 %1〕").arg(errorCount);
}
QString workbookDiscarded(int row) {
    return QStringLiteral("スケジュール番号%1のエラーにより、このスケジュールのシートを含む"
                          "出力ファイルは保存されずに破棄されました。")
        .arg(row);
}
QString overwroteEarlierOutput(const QString &rows, const QString &path,
                               const QString &earlierRows) {
    return QStringLiteral("警告: スケジュール番号%1の出力ファイル「%2」は、同じ実行でスケジュール"
                          "番号%3が出力したファイルを上書きしました。")
        .arg(rows, path, earlierRows);
}
QString unchecked() {
    return QStringLiteral("ユーザー名・パスワード未チェックのため実行できません");
}
QString folderMissing() {
    return QStringLiteral("パスが存在しません。確認してください。");
}
QString fileMissing() {
    return QStringLiteral("ファイルが存在しません。確認してください。");
}
QString loadError() {
    return QStringLiteral("データロードエラー");
}
QString parseError() {
    return QStringLiteral("データ解析エラー");
}
QString parseError(const QString &readerCode) {
    return parseError() + u' ' + readerCode;
}
QString passwordsDiffer() {
    return QStringLiteral("Excelﾊﾟｽﾜｰﾄﾞが前ｽｹｼﾞｭｰﾙのﾊﾟｽﾜｰﾄﾞと異なるため処理を中止しました。 ");
}
QString aliasError() {
    return QStringLiteral("設定情報解析エラー");
}
QString connectionFailed() {
    return QStringLiteral("データベースに接続できないかデータベース名・ユーザー名・"
                          "パスワード情報にエラーがあります。確認してください。");
}
QString sqlError() {
    return QStringLiteral("SQL実行時エラー");
}
QString procedureNotFound() {
    return QStringLiteral("接続DBまたはプロシージャ名が間違っています。確認してください。");
}
QString parameterCount(int declared, int given) {
    return QStringLiteral("パラメータの数が足りません。（宣言%1個、指定%2個）")
        .arg(declared)
        .arg(given);
}
QString noSaveTarget() {
    return QStringLiteral("保存先エラー");
}
QString badSaveTarget() {
    return QStringLiteral("保存パスが不正です。確認してください。");
}
QString noCsvTarget() {
    return QStringLiteral("セーブファイルが指定されていません。確認してください。");
}
QString csvExportError() {
    return QStringLiteral("CSV作成エラー");
}
QString csvImportError() {
    return QStringLiteral("CSVImportエラー");
}
QString excelStatusSuffix(int row, const QString &fileName) {
    return QStringLiteral("  実行スケジュール：「   %1」：<%2>").arg(row).arg(fileName);
}
} // namespace EntryText

namespace BatchText {
QString notExcelReport(const QString &procFlag) {
    return QStringLiteral("Excel帳票の設定ファイルではありません（PROCFLG=") + procFlag +
           QLatin1Char(')');
}
QString wrongKind(const QString &procFlag, const QString &command, const QString &wanted) {
    return QStringLiteral("設定ファイルの PROCFLG は \"%1\" です（%2 には \"%3\" が必要です）")
        .arg(procFlag, command, wanted);
}
QString unknownAlias(const QString &alias) {
    return QStringLiteral("エイリアス \"%1\" は登録されていません").arg(alias);
}
QString noPassword() {
    return QStringLiteral("KELVORAN_PASSWORD が設定されていません");
}
QString objectNotFound(const QString &folder, const QString &name, const QString &alias) {
    return QStringLiteral("%1 \"%2\" はエイリアス %3 に見つかりません").arg(folder, name, alias);
}
QString csvDone(qint64 dataCount, const QString &path) {
    return QStringLiteral("正常終了\nデータ件数: %1\n").arg(dataCount) +
           QStringLiteral("ファイル: ") + path + QLatin1Char('\n');
}
} // namespace BatchText

} // namespace kelvoran
