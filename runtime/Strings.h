// The system's string table: every text the program shows or formats, in UTF-8,
// each exactly once. Texts with placeholders go through Format (runtime/Format.h).
#pragma once

namespace strings {

// --- Picture data and requests (graphics, codecs) -------------------------
inline constexpr const char* InvalidBitmap = "ビットマップイメージが不正です";
inline constexpr const char* UnknownFormat = "画像フォーマットが不正です";
inline constexpr const char* UnknownExtension = "拡張子 .%s の画像形式は処理できません";
inline constexpr const char* UnknownClipboardFormat = "未対応のクリップボード データです";
inline constexpr const char* JPEGError = "JPEG エラー #%d";
inline constexpr const char* OutOfResources = "システム リソースが足りません";
inline constexpr const char* NoCanvasHandle = "Canvas に対する描画ができません";
inline constexpr const char* ScanLine = "スキャンライン のインデックスが範囲を越えました";
inline constexpr const char* ChangeJPGSize = "JPEG イメージのサイズは変更できません";
inline constexpr const char* NoBitmapToChange = "ビットマップを持っている時のみイメージの変更が可能です";

// --- Clipboard ---------------------------------------------------------------
inline constexpr const char* CannotOpenClipboard = "クリップボードを開くことができません";
inline constexpr const char* InvalidClipboardFormat = "無効なクリップボード フォーマットです";
inline constexpr const char* IconToClipboard = "クリップボードはアイコンには対応していません";

// --- Format registry: descriptions and the filter it builds --------------
inline constexpr const char* MetafileDescription = "メタファイル";
inline constexpr const char* EnhancedMetafileDescription = "エンハンス メタファイル";
inline constexpr const char* IconDescription = "アイコン";
inline constexpr const char* BitmapDescription = "ビットマップ";
inline constexpr const char* JPEGDescription = "JPEG イメージファイル";
inline constexpr const char* AllFilesDescription = "すべてのファイル";
inline constexpr const char* FilterEntry = "%s%s (*.%s)|*.%2:s";
inline constexpr const char* FilterMask = "%s*.%s";
inline constexpr const char* FilterAllPair = "%s (%s)|%1:s|%s";

// --- Fonts -------------------------------------------------------------------
inline constexpr const char* WindowFontName = "ＭＳ Ｐゴシック";
inline constexpr const char* DefaultFontName = "MS Sans Serif";
// A font name that stands for the default font (compared without case).
inline constexpr const char* DefaultFontAlias = "Default";

// --- Form definitions ----------------------------------------------------------
// The raw-bytes property under which graphics and pictures stream their content.
inline constexpr const char* DataPropertyName = "Data";

// --- Windows: captions, menus, status bar --------------------------------------
inline constexpr const char* MainCaptionStart = "切り取り,";
inline constexpr const char* MainCaptionNotice = " kiritori 開発チーム";
inline constexpr const char* MainCaptionEnd = ", v.02";
inline constexpr const char* DispCaption = "切り取り結果";
inline constexpr const char* FileMenuCaption = "ファイル(&F)";
inline constexpr const char* OpenMenuCaption = "開く(&O)";
inline constexpr const char* CloseMenuCaption = "閉じる(&C)";
inline constexpr const char* SaveMenuCaption = "保存(&S)";
inline constexpr const char* ToolMenuCaption = "ツール(&T)";
inline constexpr const char* CutMenuCaption = "切り取り(&K)";
inline constexpr const char* ClipboardMenuCaption = "クリップボードへ(&C)";
inline constexpr const char* SelectionStatus = "(%d,%d) - (%d,%d) = (%d, %d)";
// A failed Open in the status bar, a failed Save in a message box: the file's
// name and the reason.
inline constexpr const char* OpenFailedStatus = "「%s」を開けませんでした（%s）";
inline constexpr const char* SaveFailedMessage = "「%s」に保存できませんでした（%s）";
inline constexpr const char* SaveNameHint = "JPEG (.jpg, .jpeg) か BMP (.bmp) の名前を付けてください";
// Reasons that name the trouble rather than the failure's own message.
inline constexpr const char* PictureTooLarge = "画像が大きすぎます";
inline constexpr const char* NotEnoughMemory = "メモリが足りません";
inline constexpr const char* ViewMenuCaption = "表示(&V)";
inline constexpr const char* ActualSizeMenuCaption = "実寸(&A)";
inline constexpr const char* FitMenuCaption = "全体表示(&F)";
inline constexpr const char* ZoomInMenuCaption = "拡大(&I)";
inline constexpr const char* ZoomOutMenuCaption = "縮小(&O)";
inline constexpr const char* ZoomStatus = "%d%%";
inline constexpr const char* LoupeMenuCaption = "ルーペ(&L)";
inline constexpr const char* LoupeCoordinates = "(%d, %d)";

// --- File dialogs ------------------------------------------------------------
inline constexpr const char* PictureFilter = "画像ファイル(*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp";
inline constexpr const char* AllFilesFilter = "|全ファイル(*.*)|*.*";
inline constexpr const char* DefaultSaveExtension = ".jpg";
inline constexpr const char* PreviewCaption = "プレビュー";
inline constexpr const char* PreviewPictureLabel = "画像:";
inline constexpr const char* PreviewSizeLabel = " (%dx%d)";
inline constexpr const char* PreviewNone = "(なし)";
inline constexpr const char* PreviewInvalid = "画像が不正です";

// --- Run-time library --------------------------------------------------------
inline constexpr const char* ReadError = "ストリームから読み込めません";
inline constexpr const char* WriteError = "ストリームへ書き込めません";
inline constexpr const char* StreamSize = "ストリームのサイズ %d は扱えません";
inline constexpr const char* SeekError = "ストリームの位置 %d へ移動できません";
inline constexpr const char* FileOpenError = "ファイル %s を開けません: %s";
inline constexpr const char* FileCreateError = "ファイル %s を作成できません: %s";
inline constexpr const char* FileReplaceError = "ファイル %s を置き換えられません: %s";
inline constexpr const char* CopyRefused = "%s の内容は %s へコピーできません";
inline constexpr const char* NullObjectName = "(なし)";
inline constexpr const char* InvalidCast = "型の変換が不正です";
inline constexpr const char* AbstractCall = "抽象メソッドが呼び出されました";
inline constexpr const char* AbstractClass = "抽象クラス %s のインスタンスは作れません";
inline constexpr const char* FormatError = "書式 '%s' が不正か引数と合いません";
inline constexpr const char* UnknownProperty = "プロパティ %s は存在しません";
inline constexpr const char* PropertyTooLarge = "プロパティ %s のデータが不正です";
inline constexpr const char* UnknownOSError = "システム エラー (コード %d)";

}  // namespace strings
