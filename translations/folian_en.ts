<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Alert</name>
    <message>
        <source>はい</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>いいえ</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>CategoryAddDlg</name>
    <message>
        <source>分類の追加</source>
        <translation>Add Category</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CategoryCommandHost</name>
    <message>
        <source>分類名の変更</source>
        <translation>Rename Category</translation>
    </message>
    <message>
        <source>「%1」の新しい名前：</source>
        <translation>New name of “%1”:</translation>
    </message>
    <message>
        <source>%1の「%2」の新しい名前：</source>
        <translation>New name of “%2” in %1:</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CategoryCommands</name>
    <message>
        <source>分類を追加できませんでした。</source>
        <translation>The category could not be added.</translation>
    </message>
    <message>
        <source>”%1”と”%2”は削除できません。</source>
        <translation>“%1” and “%2” cannot be deleted.</translation>
    </message>
    <message>
        <source>「%1」は使用中です。削除できません。</source>
        <translation>“%1” is in use and cannot be deleted.</translation>
    </message>
    <message>
        <source>「%1」を削除してもよろしいですか？</source>
        <translation>Do you really want to delete “%1”?</translation>
    </message>
</context>
<context>
    <name>CategoryLabelEditDlg</name>
    <message>
        <source>分類ラベルの編集</source>
        <translation>Edit Category Labels</translation>
    </message>
    <message>
        <source>レベル１</source>
        <translation>Level 1</translation>
    </message>
    <message>
        <source>レベル２</source>
        <translation>Level 2</translation>
    </message>
    <message>
        <source>レベル３</source>
        <translation>Level 3</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CategoryNameInput</name>
    <message>
        <source>分類名が長すぎます。</source>
        <translation>The category name is too long.</translation>
    </message>
    <message>
        <source>”%1”はすべての分類を表すため、分類名にできません。</source>
        <translation>“%1” stands for every category and cannot be a category name.</translation>
    </message>
    <message>
        <source>”%1”は分類名にできません。</source>
        <translation>“%1” cannot be a category name.</translation>
    </message>
    <message>
        <source>分類名を入力してください。</source>
        <translation>Please enter a category name.</translation>
    </message>
    <message>
        <source>”%1”は追加できません。</source>
        <translation>“%1” cannot be added.</translation>
    </message>
    <message>
        <source>「%1」は、すでに登録されています。</source>
        <translation>“%1” exists already.</translation>
    </message>
</context>
<context>
    <name>CategoryRename</name>
    <message>
        <source>分類の段は1から3です。</source>
        <translation>The category level must be 1, 2 or 3.</translation>
    </message>
    <message>
        <source>”%1”と”%2”の名前は変更できません。</source>
        <translation>“%1” and “%2” cannot be renamed.</translation>
    </message>
    <message>
        <source>「%1」という分類はありません。</source>
        <translation>There is no category “%1”.</translation>
    </message>
    <message>
        <source>分類名を入力してください。</source>
        <translation>Please enter a category name.</translation>
    </message>
    <message>
        <source>”%1”には変更できません。</source>
        <translation>A category cannot be renamed to “%1”.</translation>
    </message>
    <message>
        <source>「%1」は、すでに登録されています。</source>
        <translation>“%1” exists already.</translation>
    </message>
</context>
<context>
    <name>ChangeCategoryNameDlg</name>
    <message>
        <source>分類の変更</source>
        <translation>Change Categories</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ChildWindowRegistry</name>
    <message>
        <source>「%1」にはPDFがありません。</source>
        <translation>“%1” has no PDF.</translation>
    </message>
    <message>
        <source>「%1」のPDFは読み込んだときの内容と異なるため、開きません。ライブラリのファイルのこのPDFの部分が壊れています。</source>
        <translation>The PDF of “%1” differs from what was imported and is not opened. This PDF’s part of the library file is damaged.</translation>
    </message>
    <message>
        <source>「%1」のPDFをライブラリから読み出せません。ライブラリのファイルのこのPDFの部分が壊れています。</source>
        <translation>The PDF of “%1” cannot be read from the library. This PDF’s part of the library file is damaged.</translation>
    </message>
</context>
<context>
    <name>EntryDlg</name>
    <message>
        <source>書誌情報</source>
        <translation>Bibliography</translation>
    </message>
    <message>
        <source>タイトル</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>著者</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>編者</source>
        <translation>Editor</translation>
    </message>
    <message>
        <source>監修者</source>
        <translation>Supervisor</translation>
    </message>
    <message>
        <source>翻訳者</source>
        <translation>Translator</translation>
    </message>
    <message>
        <source>出版社</source>
        <translation>Publisher</translation>
    </message>
    <message>
        <source>評価</source>
        <translation>Rating</translation>
    </message>
    <message>
        <source>メモ</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>ファイル情報</source>
        <translation>File</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>ファイルサイズ</source>
        <translation>File Size</translation>
    </message>
    <message>
        <source>PDFの作成日時</source>
        <translation>PDF Created</translation>
    </message>
    <message>
        <source>登録日時</source>
        <translation>Added</translation>
    </message>
    <message>
        <source>更新日時</source>
        <translation>Updated</translation>
    </message>
    <message>
        <source>最終閲覧日時</source>
        <translation>Last Viewed</translation>
    </message>
    <message>
        <source>最終使用日時</source>
        <translation>Last Used</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
</context>
<context>
    <name>EntryDlgText</name>
    <message>
        <source>「%1」の情報</source>
        <translation>Information: %1</translation>
    </message>
</context>
<context>
    <name>EntryListModel</name>
    <message>
        <source>タイトル</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>分類１</source>
        <translation>Category 1</translation>
    </message>
    <message>
        <source>分類２</source>
        <translation>Category 2</translation>
    </message>
    <message>
        <source>分類３</source>
        <translation>Category 3</translation>
    </message>
    <message>
        <source>著者</source>
        <translation>Author</translation>
    </message>
    <message>
        <source>評価</source>
        <translation>Rating</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>更新日時</source>
        <translation>Updated</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>編者</source>
        <translation>Editor</translation>
    </message>
    <message>
        <source>監修者</source>
        <translation>Supervisor</translation>
    </message>
    <message>
        <source>翻訳者</source>
        <translation>Translator</translation>
    </message>
    <message>
        <source>出版社</source>
        <translation>Publisher</translation>
    </message>
    <message>
        <source>メモ</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>ヒット数</source>
        <translation>Hits</translation>
    </message>
</context>
<context>
    <name>FailureListText</name>
    <message>
        <source>パスが長すぎます</source>
        <translation>the path is too long</translation>
    </message>
    <message>
        <source>フォルダを読み込めません</source>
        <translation>the folder cannot be read</translation>
    </message>
    <message>
        <source>ファイルを読み込めません</source>
        <translation>the file cannot be read</translation>
    </message>
    <message>
        <source>ファイルではありません</source>
        <translation>not a file</translation>
    </message>
    <message>
        <source>情報ファイル(.flx)が64KBを超えています</source>
        <translation>the metadata file (.flx) is larger than 64 KB</translation>
    </message>
    <message>
        <source>ライブラリが上限の4GBを超えます</source>
        <translation>the library would pass its limit of 4 GB</translation>
    </message>
    <message>
        <source>ライブラリに書き込めません</source>
        <translation>the library cannot be written</translation>
    </message>
    <message>
        <source>ライブラリを開けません</source>
        <translation>the library cannot be opened</translation>
    </message>
    <message>
        <source>ライブラリを保存できません</source>
        <translation>the library cannot be saved</translation>
    </message>
    <message>
        <source>識別番号を割り当てられません</source>
        <translation>no identifier can be given</translation>
    </message>
    <message>
        <source>情報ファイル(.flx)がUTF-8のテキストではありません</source>
        <translation>the metadata file (.flx) is not UTF-8 text</translation>
    </message>
    <message>
        <source>情報ファイル(.flx)の分類名が「＜すべて＞」か「＜変更しない＞」です</source>
        <translation>the metadata file (.flx) names “＜すべて＞” or “＜変更しない＞” as a category</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>ほか%1件</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>次の%1件を読み込めませんでした。</source>
        <translation>These %1 could not be imported.</translation>
    </message>
    <message>
        <source> — PDFではありません</source>
        <translation> — not a PDF</translation>
    </message>
    <message>
        <source>次の%1件はPDFではありませんが、指定どおり読み込みました。</source>
        <translation>These %1 are no PDFs but were imported as asked.</translation>
    </message>
    <message>
        <source>次の%1件はライブラリにすでにあるため、読み込みませんでした。</source>
        <translation>These %1 are in the library already and were not imported.</translation>
    </message>
    <message>
        <source>次の%1件はライブラリにすでにありますが、読み込みました。</source>
        <translation>These %1 are in the library already but were imported.</translation>
    </message>
    <message>
        <source>次の%1件は、ファイル名がUTF-8ではないため、置き換えた名前で読み込みました。</source>
        <translation>These %1 were imported under a replaced name because their file names are not UTF-8.</translation>
    </message>
    <message>
        <source>ライブラリからPDFを読み出せません</source>
        <translation>its PDF cannot be read from the library</translation>
    </message>
    <message>
        <source>PDFを書き込めません</source>
        <translation>the PDF cannot be written</translation>
    </message>
    <message>
        <source>書き出し先のパスが長すぎます</source>
        <translation>the path to write to is too long</translation>
    </message>
    <message>
        <source>空いているファイル名がありません</source>
        <translation>no free file name</translation>
    </message>
    <message>
        <source>PDFは書き出しましたが、情報ファイル(.flx)を書き込めません</source>
        <translation>the PDF was exported, but its metadata file (.flx) could not be written</translation>
    </message>
    <message>
        <source>ライブラリ内のPDFが壊れています</source>
        <translation>its PDF in the library is damaged</translation>
    </message>
    <message>
        <source>次の%1件は書き出せませんでした。</source>
        <translation>These %1 could not be exported.</translation>
    </message>
    <message>
        <source>次の%1件はPDFでもフォルダでもFolianライブラリでもないため、読み込みませんでした。</source>
        <translation>These %1 are neither PDFs, folders nor Folian libraries and were not imported.</translation>
    </message>
    <message>
        <source>結合するライブラリからPDFを読み込めません</source>
        <translation>Cannot read a PDF from the library being merged</translation>
    </message>
</context>
<context>
    <name>FailureReasonText</name>
    <message>
        <source>ファイルの場所を表すパスが長すぎます</source>
        <translation>The path to the file is too long</translation>
    </message>
    <message>
        <source>ファイルを開けませんでした</source>
        <translation>The file could not be opened</translation>
    </message>
    <message>
        <source>ライブラリが読み込まれていません</source>
        <translation>The library has not been loaded</translation>
    </message>
    <message>
        <source>Folianのライブラリではありません</source>
        <translation>It is not a Folian library</translation>
    </message>
    <message>
        <source>このバージョンでは扱えない形式のライブラリです</source>
        <translation>This version cannot handle the library&apos;s format</translation>
    </message>
    <message>
        <source>ファイルが途中で切れています</source>
        <translation>The file is cut short</translation>
    </message>
    <message>
        <source>ライブラリが壊れています</source>
        <translation>The library is damaged</translation>
    </message>
    <message>
        <source>ファイルの読み書きに失敗しました</source>
        <translation>Reading or writing the file failed</translation>
    </message>
    <message>
        <source>ディスクの空き容量が足りません</source>
        <translation>There is not enough free space on the disk</translation>
    </message>
    <message>
        <source>ライブラリのファイルが扱える大きさの上限を超えます</source>
        <translation>The library file would grow past the largest size it can have</translation>
    </message>
    <message>
        <source>ファイルが、ほかのプログラムによって置き換えられたか変更されています</source>
        <translation>Another program has replaced or changed the file</translation>
    </message>
    <message>
        <source>コピー先が、ライブラリ自身のファイルです</source>
        <translation>The copy&apos;s target is the library&apos;s own file</translation>
    </message>
    <message>
        <source>中止しました</source>
        <translation>It was stopped</translation>
    </message>
    <message>
        <source>操作に失敗しました</source>
        <translation>The operation failed</translation>
    </message>
    <message>
        <source>%1。</source>
        <translation>%1.</translation>
    </message>
    <message>
        <source>%1（%2）。</source>
        <translation>%1 (%2).</translation>
    </message>
</context>
<context>
    <name>FolianDocument</name>
    <message>
        <source>ライブラリ「%1」は、ほかのプログラムによって置き換えられたか変更されたため、保存しませんでした。このウィンドウでの最後の変更は書き込まれていません。ファイルを開き直します。</source>
        <translation>The library “%1” was replaced or changed by another program, so nothing was saved. The last change in this window has not been written. The file is opened again.</translation>
    </message>
    <message>
        <source>ライブラリ「%1」に保存できませんでした。変更はファイルに書き込まれていません。</source>
        <translation>The library “%1” could not be saved. The change has not been written to the file.</translation>
    </message>
    <message>
        <source>書誌情報</source>
        <translation>Bibliography</translation>
    </message>
    <message>
        <source>本文</source>
        <translation>Full Text</translation>
    </message>
    <message>
        <source>タイトル・ファイル名・人名・メモを検索します</source>
        <translation>Searches titles, file names, people and notes</translation>
    </message>
    <message>
        <source>PDFの本文を検索します</source>
        <translation>Searches the text of the PDFs</translation>
    </message>
    <message>
        <source>ヒット数</source>
        <translation>Hits</translation>
    </message>
    <message>
        <source>本文を検索（Ctrl+F）</source>
        <translation>Search the full text (Ctrl+F)</translation>
    </message>
    <message>
        <source>書誌情報を検索（Ctrl+F）</source>
        <translation>Search the bibliography (Ctrl+F)</translation>
    </message>
    <message>
        <source>本文を検索できません：%1</source>
        <translation>The full text cannot be searched: %1</translation>
    </message>
    <message>
        <source>本文の索引 %1/%2</source>
        <translation>Full-text index %1/%2</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>本文の索引づくりを止めます。できた分は残り、次に開いたときに続きから行います</source>
        <translation>Stops indexing the full text. What is done stays; the next opening goes on from there</translation>
    </message>
    <message>
        <source>本文の索引を作れません</source>
        <translation>The full-text index cannot be made</translation>
    </message>
    <message>
        <source>本文の索引を中断しました（%1/%2）</source>
        <translation>Full-text indexing stopped (%1/%2)</translation>
    </message>
    <message>
        <source>再開</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>本文の索引づくりを続けます</source>
        <translation>Goes on indexing the full text</translation>
    </message>
    <message>
        <source>一時フォルダを作れないため、PDFを渡せませんでした。</source>
        <translation>The PDFs could not be handed over: no temporary folder can be made.</translation>
    </message>
    <message>
        <source>%1件のPDFをそれぞれ別のアプリケーションで開きますか？</source>
        <translation>Open %1 PDFs, each in its application?</translation>
    </message>
    <message>
        <source>PDFを開くアプリケーションが見つかりませんでした。
%1</source>
        <translation>No application to open the PDFs was found.
%1</translation>
    </message>
    <message>
        <source>本文の索引を作り直しました（%1）</source>
        <translation>The full-text index was made anew (%1)</translation>
    </message>
</context>
<context>
    <name>FolianDocumentController</name>
    <message>
        <source>Folianライブラリ (*.fln)</source>
        <translation>Folian library (*.fln)</translation>
    </message>
    <message>
        <source>「%1」は別のFolianで開かれています。</source>
        <translation>“%1” is open in another Folian.</translation>
    </message>
    <message>
        <source>「%1」はfolian-cliが使用中です。終わってからもう一度開いてください。</source>
        <translation>“%1” is in use by folian-cli. Please open it again when it has finished.</translation>
    </message>
    <message>
        <source>「%1」は別のプログラムが使用中です。</source>
        <translation>“%1” is in use by another program.</translation>
    </message>
    <message>
        <source>「%1」を開けません。ファイルがないか、読み込めません。</source>
        <translation>“%1” cannot be opened. The file is missing or cannot be read.</translation>
    </message>
    <message>
        <source>「%1」を開けません。ファイルの場所を表すパスが長すぎます。</source>
        <translation>“%1” cannot be opened. The path to the file is too long.</translation>
    </message>
    <message>
        <source>「%1」はFolianのライブラリではありません。</source>
        <translation>“%1” is not a Folian library.</translation>
    </message>
    <message>
        <source>「%1」は壊れているため開けません。</source>
        <translation>“%1” is damaged and cannot be opened.</translation>
    </message>
    <message>
        <source>「%1」にエントリ%2件とそのPDFを書き出しました。</source>
        <translation>%2 entries and their PDFs were written to “%1”.</translation>
    </message>
    <message>
        <source>
失われたものはありません。</source>
        <translation>
Nothing was lost.</translation>
    </message>
    <message>
        <source>
次のものは読み出せませんでした:</source>
        <translation>
These could not be read:</translation>
    </message>
    <message>
        <source>

読み出せるエントリ、分類とPDFから新しいライブラリを作りますか？壊れたファイルは変更しません。</source>
        <translation>

Make a new library from the entries, categories and PDFs that can be read? The damaged file is not changed.</translation>
    </message>
    <message>
        <source>新しいライブラリを作れませんでした。
%1</source>
        <translation>The new library could not be made.
%1</translation>
    </message>
    <message>
        <source>「%1」を開けません。
%2</source>
        <translation>“%1” cannot be opened.
%2</translation>
    </message>
    <message>
        <source>「%1」はロックできないファイルシステムにあります。
%2</source>
        <translation>“%1” is on a file system that keeps no locks.
%2</translation>
    </message>
    <message>
        <source>新規ライブラリ</source>
        <translation>New Library</translation>
    </message>
    <message>
        <source>ライブラリ.fln</source>
        <translation>Library.fln</translation>
    </message>
    <message>
        <source>「%1」は開いているライブラリなので、新規ライブラリで置き換えられません。</source>
        <translation>“%1” is an open library and cannot be replaced by a new library.</translation>
    </message>
    <message>
        <source>ライブラリ「%1」を作成できませんでした。</source>
        <translation>The library “%1” could not be created.</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>すべてのファイル (*)</source>
        <translation>All files (*)</translation>
    </message>
</context>
<context>
    <name>FolianDocumentLibraryFile</name>
    <message>
        <source>%1（%2 バイト）</source>
        <translation>%1 (%2 bytes)</translation>
    </message>
    <message>
        <source>ライブラリ「%1」
場所: %2
エントリ: %3件
</source>
        <translation>Library &quot;%1&quot;
Location: %2
Entries: %3
</translation>
    </message>
    <message>
        <source>ファイルを読み込めないため、大きさを調べられませんでした。</source>
        <translation>The file cannot be read, so its sizes could not be measured.</translation>
    </message>
    <message>
        <source>ファイルの大きさ: %1
使われていない領域: %2</source>
        <translation>File size: %1
Unused space: %2</translation>
    </message>
    <message>
        <source>
（削除したエントリのPDF %1件を含みます）</source>
        <translation>
(including the PDFs of %1 deleted entries)</translation>
    </message>
    <message>
        <source>
「ライブラリを最適化...」で取り除けます。</source>
        <translation>
&quot;Compact Library...&quot; removes it.</translation>
    </message>
    <message>
        <source>ライブラリ「%1」を書き直して、使われていない領域（%2）を取り除きます。よろしいですか？</source>
        <translation>Rewrite the library &quot;%1&quot; without its unused space (%2)?</translation>
    </message>
    <message>
        <source>大きさ不明</source>
        <translation>size unknown</translation>
    </message>
    <message>
        <source>最適化中</source>
        <translation>Compacting</translation>
    </message>
    <message>
        <source>PDF %1 / %2 件</source>
        <translation>PDF %1 of %2</translation>
    </message>
    <message>
        <source>ライブラリ「%1」を最適化できませんでした。ライブラリは元のままです。
%2</source>
        <translation>The library &quot;%1&quot; could not be compacted. The library is unchanged.
%2</translation>
    </message>
    <message>
        <source>ライブラリ「%1」を最適化しました。
%2 → %3</source>
        <translation>The library &quot;%1&quot; has been compacted.
%2 → %3</translation>
    </message>
    <message>
        <source>書き直したライブラリを読み込めません。開き直します。
%1</source>
        <translation>The rewritten library cannot be read. It will be opened again.
%1</translation>
    </message>
</context>
<context>
    <name>FolianDocumentLists</name>
    <message>
        <source>%1件</source>
        <translation>%1 entries</translation>
    </message>
</context>
<context>
    <name>FolianDocumentSearch</name>
    <message>
        <source>書誌情報を検索（Ctrl+F）</source>
        <translation>Search the bibliography (Ctrl+F)</translation>
    </message>
</context>
<context>
    <name>HelpFile</name>
    <message>
        <source>ヘルプが見つかりません。次の場所を探しました:
</source>
        <translation>The help was not found. These places were searched:
</translation>
    </message>
    <message>
        <source>ヘルプ「%1」を開けるプログラムがありません。</source>
        <translation>No program can open the help “%1”.</translation>
    </message>
</context>
<context>
    <name>LibraryMenus</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規ライブラリ...</source>
        <translation>New Library...</translation>
    </message>
    <message>
        <source>開く...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>コピーを保存...</source>
        <translation>Save a Copy...</translation>
    </message>
    <message>
        <source>PDFを開く</source>
        <translation>Open PDF</translation>
    </message>
    <message>
        <source>情報を見る</source>
        <translation>Show Information</translation>
    </message>
    <message>
        <source>別のアプリケーションで開く</source>
        <translation>Open with Another Application</translation>
    </message>
    <message>
        <source>ファイルの場所を表示</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>PDFを読み込む...</source>
        <translation>Import PDF...</translation>
    </message>
    <message>
        <source>フォルダから一括読み込み...</source>
        <translation>Import Folder...</translation>
    </message>
    <message>
        <source>PDFを書き出す...</source>
        <translation>Export PDFs...</translation>
    </message>
    <message>
        <source>ライブラリを結合...</source>
        <translation>Merge Library...</translation>
    </message>
    <message>
        <source>ライブラリの情報...</source>
        <translation>Library Information...</translation>
    </message>
    <message>
        <source>ライブラリを最適化...</source>
        <translation>Compact Library...</translation>
    </message>
    <message>
        <source>PDFを抽出</source>
        <translation>Extract PDF</translation>
    </message>
    <message>
        <source>新規グループ</source>
        <translation>New Group</translation>
    </message>
    <message>
        <source>ページ設定...</source>
        <translation>Page Setup...</translation>
    </message>
    <message>
        <source>印刷...</source>
        <translation>Print...</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>すべてを選択</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>選択を解除</source>
        <translation>Deselect All</translation>
    </message>
    <message>
        <source>PDFの情報からタイトルと著者を設定...</source>
        <translation>Set Title and Author from the PDF...</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>分類(&amp;C)</source>
        <translation>&amp;Categories</translation>
    </message>
    <message>
        <source>選択したPDFの分類を変更...</source>
        <translation>Change Categories of Selected PDFs...</translation>
    </message>
    <message>
        <source>分類の見出しを編集...</source>
        <translation>Edit Category Labels...</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Folian ヘルプ</source>
        <translation>Folian Help</translation>
    </message>
    <message>
        <source>分類%1</source>
        <translation>Category %1</translation>
    </message>
    <message>
        <source>「%1」に分類を追加...</source>
        <translation>Add a Category to “%1”...</translation>
    </message>
    <message>
        <source>「%1」の選択中の分類を削除</source>
        <translation>Delete the Selected “%1” Category</translation>
    </message>
    <message>
        <source>「%1」の選択中の分類の名前を変更...</source>
        <translation>Rename the Selected “%1” Category...</translation>
    </message>
</context>
<context>
    <name>LibraryOutlineModel</name>
    <message>
        <source>ライブラリ</source>
        <translation>Library</translation>
    </message>
</context>
<context>
    <name>PdfDelete</name>
    <message>
        <source>%1を削除してもよろしいですか？</source>
        <translation>Do you really want to delete %1?</translation>
    </message>
    <message>
        <source>選択している%1件のPDFを削除してもよろしいですか？</source>
        <translation>Do you really want to delete the %1 selected PDFs?</translation>
    </message>
    <message>
        <source>ほか%1件</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>（題名なし）</source>
        <translation>(untitled)</translation>
    </message>
</context>
<context>
    <name>PdfPasswordPrompt</name>
    <message>
        <source>このPDF</source>
        <translation>this PDF</translation>
    </message>
    <message>
        <source>パスワードが違います。%1のパスワードをもう一度入力してください：</source>
        <translation>Wrong password. Please enter the password of %1 again:</translation>
    </message>
    <message>
        <source>%1は暗号化されています。パスワードを入力してください：</source>
        <translation>%1 is encrypted. Please enter its password:</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>このPDFは暗号化されています。パスワードが入力されなかったため、表示できません。</source>
        <translation>This PDF is encrypted and cannot be shown without its password.</translation>
    </message>
    <message>
        <source>このPDFは壊れているか、PDFではないため、表示できません。</source>
        <translation>This PDF is damaged or is no PDF and cannot be shown.</translation>
    </message>
    <message>
        <source>
（%1）</source>
        <translation>
(%1)</translation>
    </message>
</context>
<context>
    <name>PdfSidebar</name>
    <message>
        <source>目次</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>サムネイル</source>
        <translation>Thumbnails</translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>StartWindow</name>
    <message>
        <source>Folian</source>
        <translation>Folian</translation>
    </message>
    <message>
        <source>Folian — PDFライブラリ</source>
        <translation>Folian — PDF library</translation>
    </message>
    <message>
        <source>新規ライブラリ...</source>
        <translation>New Library...</translation>
    </message>
    <message>
        <source>開く...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>最近使ったライブラリ</source>
        <translation>Recent libraries</translation>
    </message>
</context>
<context>
    <name>TransferCommands</name>
    <message>
        <source>フォルダから一括読み込み</source>
        <translation>Import Folder</translation>
    </message>
    <message>
        <source>PDFを読み込む</source>
        <translation>Import PDF</translation>
    </message>
    <message>
        <source>ライブラリにすでにあるPDFは読み込まない</source>
        <translation>Skip PDFs the library holds already</translation>
    </message>
    <message>
        <source>PDFの情報からタイトルを設定</source>
        <translation>Set titles from the PDF’s information</translation>
    </message>
    <message>
        <source>
何も読み込んでいません。</source>
        <translation>
Nothing was imported.</translation>
    </message>
    <message>
        <source>読み込み中</source>
        <translation>Importing</translation>
    </message>
    <message>
        <source>%1 / %2 件
%3</source>
        <translation>%1 of %2
%3</translation>
    </message>
    <message>
        <source>ライブラリのファイルに書き込めないため、読み込めませんでした。</source>
        <translation>Nothing could be imported: the library file cannot be written.</translation>
    </message>
    <message>
        <source>分類名が長すぎるため、読み込めませんでした。</source>
        <translation>Nothing could be imported: a category name is too long.</translation>
    </message>
    <message>
        <source>ライブラリを結合</source>
        <translation>Merge Library</translation>
    </message>
    <message>
        <source>Folianライブラリ (*.fln)</source>
        <translation>Folian library (*.fln)</translation>
    </message>
    <message>
        <source>このライブラリにすでにあるPDFは結合しない</source>
        <translation>Skip PDFs that are already in this library</translation>
    </message>
    <message>
        <source>結合中</source>
        <translation>Merging</translation>
    </message>
    <message>
        <source>「%1」を結合できません。何も読み込んでいません。
%2</source>
        <translation>Cannot merge &quot;%1&quot;. Nothing was imported.
%2</translation>
    </message>
    <message>
        <source>「%1」のエントリ%2件のうち%3件を結合しました。</source>
        <translation>Merged %3 of the %2 entries of &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>この読み込みで、ライブラリ「%1」のファイルは 4 GB を超えます。今のファイル形式には 4 GB までしか入りません。

ライブラリを 4 GB を超えられる新しい形式（64ビット）に変換してから読み込みますか？
・エントリ、分類、PDF はそのまま変わりません。
・変換したライブラリは、この形式を知らない古い版の Folian では開けなくなります。
・変換のあいだ、ライブラリと同じ大きさ（%2）の空き容量が一時的に必要です。

「いいえ」を選ぶと、何も読み込みません。</source>
        <translation>This import takes the file of the library “%1” past 4 GB. Its present file format holds 4 GB at most.

Convert the library to the new format that can pass 4 GB (64-bit) and then import?
• Entries, categories and PDFs stay as they are.
• Older versions of Folian that do not know this format can no longer open the converted library.
• The conversion needs free space as large as the library (%2) for a while.

“No” imports nothing.</translation>
    </message>
    <message>
        <source>ライブラリを変換しなかったため、何も読み込みませんでした。</source>
        <translation>The library was not converted, so nothing was imported.</translation>
    </message>
    <message>
        <source>ライブラリを変換中</source>
        <translation>Converting the Library</translation>
    </message>
    <message>
        <source>「%1」を 4 GB を超えられる形式に変換しています…</source>
        <translation>Converting “%1” to the format that can pass 4 GB…</translation>
    </message>
    <message>
        <source>変換を中止しました。ライブラリは元のままで、何も読み込んでいません。</source>
        <translation>The conversion was stopped. The library is as it was and nothing was imported.</translation>
    </message>
    <message>
        <source>ライブラリを変換できませんでした。ライブラリは元のままで、何も読み込んでいません。
%1</source>
        <translation>The library could not be converted. It is as it was and nothing was imported.
%1</translation>
    </message>
    <message>
        <source>コピーを保存</source>
        <translation>Save a Copy</translation>
    </message>
    <message>
        <source>開いているライブラリ自身のファイルには保存できません。</source>
        <translation>A copy cannot be saved over the open library’s own file.</translation>
    </message>
    <message>
        <source>「%1」にコピーを保存できませんでした。</source>
        <translation>The copy could not be saved to “%1”.</translation>
    </message>
    <message>
        <source>%1件のPDFはライブラリから読み出せなかったため、コピーに含めていません。</source>
        <translation>%1 PDFs could not be read from the library and are not in the copy.</translation>
    </message>
    <message>
        <source>選択</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>「%1」には書き出せません。フォルダが見つかりません。</source>
        <translation>Cannot export to “%1”: the folder is not there.</translation>
    </message>
    <message>
        <source>選択した%1件の項目のタイトルと著者を、PDFの情報で置き換えてもよろしいですか？</source>
        <translation>Replace the title and author of the %1 selected entries with the information of their PDFs?</translation>
    </message>
    <message>
        <source>選択したPDFには、タイトルや著者として使える情報がありませんでした。</source>
        <translation>The selected PDFs hold no information that can serve as a title or an author.</translation>
    </message>
    <message>
        <source>一時フォルダを作れないため、PDFを渡せません。
</source>
        <translation>The PDFs cannot be handed over: no temporary folder can be made.
</translation>
    </message>
</context>
<context>
    <name>ViewPDFDlg</name>
    <message>
        <source>PDFビューア</source>
        <translation>PDF Viewer</translation>
    </message>
    <message>
        <source>前へ</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>前のページ</source>
        <translation>Previous Page</translation>
    </message>
    <message>
        <source>次へ</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>次のページ</source>
        <translation>Next Page</translation>
    </message>
    <message>
        <source>ページ番号を入力して Return で移動</source>
        <translation>Type a page number and press Return to go there</translation>
    </message>
    <message>
        <source>/</source>
        <translation>/</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>ページ数</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>縮小</source>
        <translation>Zoom Out</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom In</translation>
    </message>
    <message>
        <source>手のひら</source>
        <translation>Hand</translation>
    </message>
    <message>
        <source>手のひらツール：ドラッグでページを動かす</source>
        <translation>Hand tool: drag to move the page</translation>
    </message>
    <message>
        <source>テキスト</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>テキストツール：ドラッグで文字を選択</source>
        <translation>Text tool: drag to select text</translation>
    </message>
    <message>
        <source>検索</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Return で次を検索</source>
        <translation>Return finds the next</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>移動(&amp;G)</source>
        <translation>&amp;Go</translation>
    </message>
    <message>
        <source>ツール(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>検索(&amp;S)</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>印刷...</source>
        <translation>Print...</translation>
    </message>
    <message>
        <source>Ctrl+P</source>
        <translation>Ctrl+P</translation>
    </message>
    <message>
        <source>ページ設定...</source>
        <translation>Page Setup...</translation>
    </message>
    <message>
        <source>Ctrl+Shift+P</source>
        <translation>Ctrl+Shift+P</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Ctrl+W</source>
        <translation>Ctrl+W</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Ctrl+C</source>
        <translation>Ctrl+C</translation>
    </message>
    <message>
        <source>単一ページ</source>
        <translation>Single Page</translation>
    </message>
    <message>
        <source>単一ページ連続</source>
        <translation>Single Page Continuous</translation>
    </message>
    <message>
        <source>見開き</source>
        <translation>Two Pages</translation>
    </message>
    <message>
        <source>見開き連続</source>
        <translation>Two Pages Continuous</translation>
    </message>
    <message>
        <source>実際のサイズ</source>
        <translation>Actual Size</translation>
    </message>
    <message>
        <source>Ctrl+0</source>
        <translation>Ctrl+0</translation>
    </message>
    <message>
        <source>Ctrl++</source>
        <translation>Ctrl++</translation>
    </message>
    <message>
        <source>Ctrl+-</source>
        <translation>Ctrl+-</translation>
    </message>
    <message>
        <source>自動サイズ</source>
        <translation>Automatic Size</translation>
    </message>
    <message>
        <source>最初のページ</source>
        <translation>First Page</translation>
    </message>
    <message>
        <source>Ctrl+Home</source>
        <translation>Ctrl+Home</translation>
    </message>
    <message>
        <source>Ctrl+Left</source>
        <translation>Ctrl+Left</translation>
    </message>
    <message>
        <source>Ctrl+Right</source>
        <translation>Ctrl+Right</translation>
    </message>
    <message>
        <source>最後のページ</source>
        <translation>Last Page</translation>
    </message>
    <message>
        <source>Ctrl+End</source>
        <translation>Ctrl+End</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Alt+Left</source>
        <translation>Alt+Left</translation>
    </message>
    <message>
        <source>進む</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>Alt+Right</source>
        <translation>Alt+Right</translation>
    </message>
    <message>
        <source>テキストツール</source>
        <translation>Text Tool</translation>
    </message>
    <message>
        <source>手のひらツール</source>
        <translation>Hand Tool</translation>
    </message>
    <message>
        <source>検索...</source>
        <translation>Find...</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>次を検索</source>
        <translation>Find Next</translation>
    </message>
    <message>
        <source>Ctrl+G</source>
        <translation>Ctrl+G</translation>
    </message>
    <message>
        <source>前を検索</source>
        <translation>Find Previous</translation>
    </message>
    <message>
        <source>Ctrl+Shift+G</source>
        <translation>Ctrl+Shift+G</translation>
    </message>
    <message>
        <source>次のリンクをブラウザで開きますか？
%1</source>
        <translation>Open this link in the browser?
%1</translation>
    </message>
</context>
<context>
    <name>ViewPDFDlgSidebar</name>
    <message>
        <source>サイドバー（目次とサムネイル）</source>
        <translation>Sidebar (Contents and Thumbnails)</translation>
    </message>
</context>
</TS>
