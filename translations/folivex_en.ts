<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>AlbumExport</name>
    <message>
        <source>ファイル名に使えない文字が含まれています: %1</source>
        <translation>The file name holds characters that cannot be used: %1</translation>
    </message>
</context>
<context>
    <name>AlbumFile</name>
    <message>
        <source>%1に<byte value="xd"/>
%2といアルバムファイルを保存しました。</source>
        <translation>The album file %2<byte value="xd"/>
was saved in %1.</translation>
    </message>
    <message>
        <source>%1フォルダに<byte value="xd"/>
%2アルバムファイルを保存しました。<byte value="xd"/>
また%3フォルダに<byte value="xd"/>
%4ショートカットを保存しました。</source>
        <translation>The album file %2<byte value="xd"/>
was saved in the folder %1.<byte value="xd"/>
The shortcut %4<byte value="xd"/>
was saved in the folder %3.</translation>
    </message>
    <message>
        <source>画像情報ファイルが不正です。</source>
        <translation>The album file is not valid.</translation>
    </message>
    <message>
        <source>同じ名前のアルバムファイルがあります。<byte value="xd"/>
上書きしますか？</source>
        <translation>An album file of the same name exists.<byte value="xd"/>
Do you want to replace it?</translation>
    </message>
    <message>
        <source>同じ名前のショートカットがあります。<byte value="xd"/>
上書きしますか？</source>
        <translation>A shortcut of the same name exists.<byte value="xd"/>
Do you want to replace it?</translation>
    </message>
    <message>
        <source>ショートカットの作成先が設定されていません。<byte value="xd"/>
メニューの[その他|環境設定]のフォルダタブで<byte value="xd"/>
ショートカットの作成先を指定してください。</source>
        <translation>No folder for shortcuts is set.<byte value="xd"/>
Choose one on the Folders tab of<byte value="xd"/>
Tools &gt; Preferences.</translation>
    </message>
    <message>
        <source>アルバムファイル名「%1」は使えません。</source>
        <translation>The album file name “%1” cannot be used.</translation>
    </message>
    <message>
        <source>タイトルの変更</source>
        <translation>Change Title</translation>
    </message>
    <message>
        <source>タイトルを入力してください</source>
        <translation>Enter the title:</translation>
    </message>
</context>
<context>
    <name>Captions</name>
    <message>
        <source>ルート</source>
        <translation>Root</translation>
    </message>
    <message>
        <source>Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - </source>
        <translation>Folivex [Album Viewing Mode] - </translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>使い方: folivex [アルバムファイル | フォルダ | 書庫 | 画像ファイル]
フォルダの画像を本のように表示します。

  --formats  見つかったプラグインと読み込める画像ファイルのパターンを表示して終了します
  --help     この説明を表示して終了します
</source>
        <translation>Usage: folivex [ALBUM-FILE | FOLDER | ARCHIVE | PICTURE-FILE]
Shows the pictures of a folder as a book.

  --formats  print the plug-ins found and every readable file pattern, then exit
  --help     print this help, then exit
</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>ｴﾗｰ</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>お好きなﾌｫﾙﾀﾞを選択して下さい。</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>タイトルの変更</source>
        <translation>Change Title</translation>
    </message>
    <message>
        <source>タイトルを入力してください</source>
        <translation>Enter the title:</translation>
    </message>
</context>
<context>
    <name>Filters</name>
    <message>
        <source>設定ﾌｧｲﾙ(*.ajv)</source>
        <translation>Album files (*.ajv)</translation>
    </message>
    <message>
        <source>書庫(*.zip;*.cbz;*.rar;*.cbr;*.7z;*.cb7;*.tar;*.cbt;*.tgz;*.tar.gz;*.tar.bz2;*.tar.xz)</source>
        <translation>Archives (*.zip;*.cbz;*.rar;*.cbr;*.7z;*.cb7;*.tar;*.cbt;*.tgz;*.tar.gz;*.tar.bz2;*.tar.xz)</translation>
    </message>
    <message>
        <source>ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)</source>
        <translation>Bitmaps (*.bmp)</translation>
    </message>
    <message>
        <source>対応している画像ファイル</source>
        <translation>All supported pictures</translation>
    </message>
    <message>
        <source>実行形式(*)</source>
        <translation>Programs (*)</translation>
    </message>
    <message>
        <source>実行形式(*.bmp)</source>
        <translation>Bitmaps (*.bmp)</translation>
    </message>
</context>
<context>
    <name>FolderTree</name>
    <message>
        <source>コンピュータ</source>
        <translation>Computer</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>%s はアルバムファイル、フォルダ、画像ファイルのいずれでもないので開けません</source>
        <translation>%s cannot be opened: it is no album file, folder or picture file</translation>
    </message>
    <message>
        <source>書庫から開いたアルバムには画像を追加できません。<byte value="xd"/>
追加する場合には、書庫を展開したフォルダを開いてください。</source>
        <translation>Pictures cannot be added to an album opened from an archive.<byte value="xd"/>
To add pictures, open the folder the archive was extracted into.</translation>
    </message>
    <message>
        <source>書庫の中の画像の名前は変更できません。</source>
        <translation>Pictures inside an archive cannot be renamed.</translation>
    </message>
    <message>
        <source>既に読み込まれているフォルダと異なる場所からは追加できません。<byte value="xd"/>
読み込む場合には、[クリアボタン]で目次を初期化してください。</source>
        <translation>Pictures can be added only from the folder already listed.<byte value="xd"/>
To list another folder, first empty the contents with Clear All.</translation>
    </message>
    <message>
        <source>ｻﾑﾈｲﾙｷｬｯｼｭ %s を読み込めません</source>
        <translation>Cannot read the thumbnail cache %s</translation>
    </message>
    <message>
        <source>ｻﾑﾈｲﾙｷｬｯｼｭが壊れています</source>
        <translation>The thumbnail cache is damaged</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ %s は開けません</source>
        <translation>Cannot open the file %s</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ %s を作成できません</source>
        <translation>Cannot create the file %s</translation>
    </message>
    <message>
        <source>&apos;%s&apos; は整数ではありません</source>
        <translation>&apos;%s&apos; is not an integer</translation>
    </message>
    <message>
        <source>ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%d)</source>
        <translation>List index out of bounds (%d)</translation>
    </message>
    <message>
        <source>%s に書き込めません</source>
        <translation>Cannot write to %s</translation>
    </message>
    <message>
        <source>ストリームの読み込みエラー</source>
        <translation>Stream read error</translation>
    </message>
    <message>
        <source>ストリームの書き込みエラー</source>
        <translation>Stream write error</translation>
    </message>
    <message>
        <source>書庫 %s はファイルが多すぎます。最初の 100,000 個だけを表示します。</source>
        <translation>The archive %s holds too many files. Only the first 100,000 are shown.</translation>
    </message>
    <message>
        <source>書庫の中のファイル %s は大きすぎるため読み込めません (上限は 512 MB です)。</source>
        <translation>The file %s in the archive is too large to read (the limit is 512 MB).</translation>
    </message>
    <message>
        <source>書庫 %s は壊れています。読み取れたファイルだけを表示します。</source>
        <translation>The archive %s is damaged. Only the files that could be read are shown.</translation>
    </message>
    <message>
        <source>書庫の中のファイル %s は壊れています。</source>
        <translation>The file %s in the archive is damaged.</translation>
    </message>
    <message>
        <source>書庫 %s はパスワードで保護されています。暗号化された画像は表示できません。</source>
        <translation>The archive %s is protected by a password. Encrypted pictures cannot be shown.</translation>
    </message>
    <message>
        <source>JPEG ｴﾗｰ #%d</source>
        <translation>JPEG error #%d</translation>
    </message>
    <message>
        <source>認識できない画像形式です</source>
        <translation>Unknown picture format</translation>
    </message>
    <message>
        <source>ファイル %s は大きすぎるため読み込めません (上限は 512 MB です)。</source>
        <translation>The file %s is too large to read (the limit is 512 MB).</translation>
    </message>
    <message>
        <source>%s:Susie Pluginがロードできませんでした</source>
        <translation>%s: the Susie plug-in could not be loaded</translation>
    </message>
    <message>
        <source>%s:認識できないSusie Pluginです</source>
        <translation>%s: not a Susie plug-in</translation>
    </message>
    <message>
        <source>%sは[%s]では使えないSusie Plugin APIです</source>
        <translation>%s is not a Susie plug-in function that [%s] offers</translation>
    </message>
    <message>
        <source>TSPIs は複数生成できません</source>
        <translation>TSPIs can be created only once</translation>
    </message>
</context>
<context>
    <name>Status</name>
    <message>
        <source>ｶﾚﾝﾄﾌｫﾙﾀﾞ:%1</source>
        <translation>Current folder: %1</translation>
    </message>
    <message>
        <source>ｶﾚﾝﾄﾌｫﾙﾀﾞ:無し</source>
        <translation>Current folder: none</translation>
    </message>
    <message>
        <source>書庫を読み込み中 %1 (Escで中止)</source>
        <translation>Reading the archive %1 (Esc stops)</translation>
    </message>
</context>
<context>
    <name>folivex::ContentsPage</name>
    <message>
        <source>ﾌｫﾙﾀﾞ</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>読込み可能な画像形式</source>
        <translation>Readable picture formats</translation>
    </message>
    <message>
        <source>追加(&amp;A)</source>
        <translation>&amp;Add Pictures…</translation>
    </message>
    <message>
        <source>削除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>ｷｬﾚｯﾄのある行を削除します。</source>
        <translation>Deletes the row of the caret.</translation>
    </message>
    <message>
        <source>すべて削除(&amp;C)</source>
        <translation>&amp;Clear All</translation>
    </message>
    <message>
        <source>リネーム(&amp;N)</source>
        <translation>Re&amp;name…</translation>
    </message>
</context>
<context>
    <name>folivex::MainToolbars</name>
    <message>
        <source>ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを表示(&amp;F)</source>
        <translation>Show &amp;Album File Toolbar</translation>
    </message>
    <message>
        <source>基本ﾂｰﾙﾊﾞｰを表示(&amp;B)</source>
        <translation>Show &amp;Basic Toolbar</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを表示(&amp;C)</source>
        <translation>Show Album &amp;Settings Toolbar</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑﾌｧｲﾙ</source>
        <translation>Album File</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑﾌｧｲﾙを開く</source>
        <translation>Open an album file</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑﾌｧｲﾙを閉じる</source>
        <translation>Close the album file</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑﾌｧｲﾙﾌｫﾙﾀﾞの参照</source>
        <translation>Open the folder of album shortcuts</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑﾌｧｲﾙの作成/保存</source>
        <translation>Create or save an album file</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>基本</source>
        <translation>Basic</translation>
    </message>
    <message>
        <source>画像の閲覧</source>
        <translation>Read the book</translation>
    </message>
    <message>
        <source>ビュー</source>
        <translation>Book</translation>
    </message>
    <message>
        <source>閲覧画像の選択とコメント付加</source>
        <translation>Choose the pictures and add comments</translation>
    </message>
    <message>
        <source>目次</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑ設定</source>
        <translation>Album Settings</translation>
    </message>
    <message>
        <source>環境設定</source>
        <translation>Preferences</translation>
    </message>
    <message>
        <source>2分割ﾓｰﾄﾞ</source>
        <translation>2-split mode: one picture per page</translation>
    </message>
    <message>
        <source>2分割</source>
        <translation>2-split</translation>
    </message>
    <message>
        <source>4分割ﾓｰﾄﾞ</source>
        <translation>4-split mode: two pictures per page</translation>
    </message>
    <message>
        <source>4分割</source>
        <translation>4-split</translation>
    </message>
    <message>
        <source>右開き</source>
        <translation>Bound on the right</translation>
    </message>
    <message>
        <source>左開き</source>
        <translation>Bound on the left</translation>
    </message>
    <message>
        <source>通常描画</source>
        <translation>Plain drawing</translation>
    </message>
    <message>
        <source>きれいに描画</source>
        <translation>Smooth drawing</translation>
    </message>
    <message>
        <source>ﾀｲﾄﾙを変更</source>
        <translation>Change the title</translation>
    </message>
    <message>
        <source>ﾀｲﾄﾙ</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑﾂｰﾙﾊﾞｰを隠す(&amp;F)</source>
        <translation>Hide &amp;Album File Toolbar</translation>
    </message>
    <message>
        <source>基本ﾂｰﾙﾊﾞｰを隠す(&amp;B)</source>
        <translation>Hide &amp;Basic Toolbar</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを隠す(&amp;C)</source>
        <translation>Hide Album &amp;Settings Toolbar</translation>
    </message>
    <message>
        <source>全てのﾂｰﾙﾊﾞｰを隠す(&amp;H)</source>
        <translation>&amp;Hide All Toolbars</translation>
    </message>
    <message>
        <source>全てのﾂｰﾙﾊﾞｰを表示(&amp;H)</source>
        <translation>S&amp;how All Toolbars</translation>
    </message>
</context>
<context>
    <name>folivex::Navigator</name>
    <message>
        <source>書庫の中の画像は外部ビューアで開けません。</source>
        <translation>Pictures inside an archive cannot be opened in the external viewer.</translation>
    </message>
</context>
<context>
    <name>folivex::PageListModel</name>
    <message>
        <source>ファイル名</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>コメント</source>
        <translation>Comment</translation>
    </message>
</context>
<context>
    <name>folivex::TFileExtList</name>
    <message>
        <source>現在選択できる画像の種類です。</source>
        <translation>The kinds of picture that can be listed now.</translation>
    </message>
</context>
<context>
    <name>folivex::TdlgSaveInfo</name>
    <message>
        <source>確認</source>
        <translation>Save Album</translation>
    </message>
    <message>
        <source>また、この設定情報を格納したファイルへのショートカットを任意の場所に作成するこ
とができます。
ショートカット名は表紙に表示されるタイトル名になります。</source>
        <translation>You can also create a shortcut to this album file in a folder of your choice.
The shortcut is named after the title shown on the cover.</translation>
    </message>
    <message>
        <source>ショートカットの作成(オプション)</source>
        <translation>Create a Shortcut (Optional)</translation>
    </message>
    <message>
        <source>ショートカットは作成しない</source>
        <translation>Do not create a shortcut</translation>
    </message>
    <message>
        <source>環境設定の「ショートカットの作成場所」で指定されているフォルダに作成</source>
        <translation>Create it in the shortcut folder set in Preferences</translation>
    </message>
    <message>
        <source>作成する場所を選択する</source>
        <translation>Choose where to create it</translation>
    </message>
    <message>
        <source>参照(&amp;R)..</source>
        <translation>&amp;Browse…</translation>
    </message>
    <message>
        <source>ショートカットの作成先</source>
        <translation>Shortcut folder</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>現在の Folivexの設定情報(目次、コメント、その他)が<byte value="xd"/>
<byte value="xd"/>
『%1AJVs/』フォルダに<byte value="xd"/>
『%2.ajv』<byte value="xd"/>
<byte value="xd"/>
というファイル名で保存されます。<byte value="xd"/>
ファイル名を変更したい場合には、下のテキストボックスで指定してください。</source>
        <translation>The current Folivex settings (contents, comments and more) will be saved<byte value="xd"/>
<byte value="xd"/>
in the folder “%1AJVs/”<byte value="xd"/>
as “%2.ajv”.<byte value="xd"/>
<byte value="xd"/>
To save them under another name, type it in the box below.</translation>
    </message>
</context>
<context>
    <name>folivex::TfrmFXMainForm</name>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>&amp;Open Album…</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save Album…</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>&amp;Close Album</translation>
    </message>
    <message>
        <source>Folivexの終了(&amp;X)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ﾋﾞｭｰ(&amp;V)</source>
        <translation>&amp;Book</translation>
    </message>
    <message>
        <source>目次(&amp;C)</source>
        <translation>&amp;Contents</translation>
    </message>
    <message>
        <source>ﾌｫﾙﾀﾞﾂﾘｰを開く</source>
        <translation>&amp;Folder Tree</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>ｻﾑﾈｲﾙｷｬｯｼｭを作成(&amp;T)</source>
        <translation>Build &amp;Thumbnail Cache</translation>
    </message>
    <message>
        <source>画像の追加(&amp;A)</source>
        <translation>&amp;Add Pictures…</translation>
    </message>
    <message>
        <source>画像の削除(&amp;D)</source>
        <translation>&amp;Delete Picture</translation>
    </message>
    <message>
        <source>全て削除(&amp;C)</source>
        <translation>&amp;Clear All</translation>
    </message>
    <message>
        <source>操作(&amp;O)</source>
        <translation>&amp;Go</translation>
    </message>
    <message>
        <source>次ページ(&amp;N)</source>
        <translation>&amp;Next Page</translation>
    </message>
    <message>
        <source>前ページ(&amp;P)</source>
        <translation>&amp;Previous Page</translation>
    </message>
    <message>
        <source>続きから読む(&amp;R)</source>
        <translation>&amp;Resume Reading</translation>
    </message>
    <message>
        <source>自動ページめくり(&amp;A)</source>
        <translation>&amp;Automatic Page Turning</translation>
    </message>
    <message>
        <source>→右めくり(&amp;R)</source>
        <translation>→ Turn &amp;Right</translation>
    </message>
    <message>
        <source>← 左めくり(&amp;L)</source>
        <translation>← Turn &amp;Left</translation>
    </message>
    <message>
        <source>自動ページめくり終了(&amp;S)</source>
        <translation>&amp;Stop Automatic Turning</translation>
    </message>
    <message>
        <source>その他(&amp;E)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>環境設定(&amp;C)</source>
        <translation>&amp;Preferences…</translation>
    </message>
    <message>
        <source>ｳｨﾝﾄﾞｳ(&amp;W)</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>全画面表示(&amp;A)</source>
        <translation>&amp;Full Screen</translation>
    </message>
    <message>
        <source>全ﾂｰﾙﾊﾞｰを隠す(&amp;H)</source>
        <translation>&amp;Hide All Toolbars</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを隠す(&amp;F)</source>
        <translation>Hide &amp;Album File Toolbar</translation>
    </message>
    <message>
        <source>基本ツールバーを隠す(&amp;B)</source>
        <translation>Hide &amp;Basic Toolbar</translation>
    </message>
    <message>
        <source>ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを隠す(&amp;C)</source>
        <translation>Hide Album &amp;Settings Toolbar</translation>
    </message>
    <message>
        <source>ステータスバーを隠す(&amp;S)</source>
        <translation>Hide S&amp;tatus Bar</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>目次</source>
        <translation>&amp;Contents</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;V)</source>
        <translation>&amp;About Folivex</translation>
    </message>
    <message>
        <source>きれいに表示(&amp;B)</source>
        <translation>&amp;Smooth Drawing</translation>
    </message>
    <message>
        <source>停止(&amp;S)</source>
        <translation>S&amp;top</translation>
    </message>
    <message>
        <source>閉じる(&amp;X)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>自動ページめくり→</source>
        <translation>Automatic Turning →</translation>
    </message>
    <message>
        <source>←自動ページめくり</source>
        <translation>← Automatic Turning</translation>
    </message>
    <message>
        <source>検索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>指定された背景ファイルが見つかりません。デフォルトに戻します。</source>
        <translation>The background picture was not found. The default background is used again.</translation>
    </message>
    <message>
        <source>ｶﾚﾝﾄﾌｫﾙﾀﾞ:無し</source>
        <translation>Current folder: none</translation>
    </message>
    <message>
        <source>続きあり: %1/%2</source>
        <translation>Resume at: %1/%2</translation>
    </message>
    <message>
        <source>検索文字列が見つかりませんでした</source>
        <translation>The search text was not found.</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About Folivex</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>folivex::TfrmOptionDlg</name>
    <message>
        <source>環境設定</source>
        <translation>Preferences</translation>
    </message>
    <message>
        <source>基本設定</source>
        <translation>General</translation>
    </message>
    <message>
        <source>フォルダ設定</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>テクスチャ</source>
        <translation>Texture</translation>
    </message>
    <message>
        <source>その他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>Susieﾌﾟﾗｸﾞｲﾝ</source>
        <translation>Susie Plug-ins</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>分割モード</source>
        <translation>Split Mode</translation>
    </message>
    <message>
        <source>2分割 (本向け)</source>
        <translation>2-split (for books)</translation>
    </message>
    <message>
        <source>4分割 (アルバム向け)</source>
        <translation>4-split (for albums)</translation>
    </message>
    <message>
        <source>一頁に表示する画像枚数</source>
        <translation>How many pictures a page shows</translation>
    </message>
    <message>
        <source>開く方向</source>
        <translation>Binding</translation>
    </message>
    <message>
        <source>左開き</source>
        <translation>Bound on the left</translation>
    </message>
    <message>
        <source>右開き</source>
        <translation>Bound on the right</translation>
    </message>
    <message>
        <source>ﾍﾟｰｼﾞを開く方向</source>
        <translation>The side the book is bound on</translation>
    </message>
    <message>
        <source>表紙の設定</source>
        <translation>Cover</translation>
    </message>
    <message>
        <source>参照(&amp;R)</source>
        <translation>&amp;Browse…</translation>
    </message>
    <message>
        <source>参照(&amp;R)..</source>
        <translation>&amp;Browse…</translation>
    </message>
    <message>
        <source>ショートカット(アルバムファイルフォルダ)の作成場所</source>
        <translation>Folder for shortcuts (album file folder)</translation>
    </message>
    <message>
        <source>外部ビューワ</source>
        <translation>External viewer</translation>
    </message>
    <message>
        <source>ダブルクリックで背景画像の読込</source>
        <translation>Double-click to load a background picture</translation>
    </message>
    <message>
        <source>ﾀﾞﾌﾞﾙｸﾘｯｸで表紙色を設定</source>
        <translation>Double-click to set the cover color</translation>
    </message>
    <message>
        <source>ﾀﾞﾌﾞﾙｸﾘｯｸでﾍﾟｰｼﾞ色を設定します、</source>
        <translation>Double-click to set the page color</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>表紙色</source>
        <translation>Cover color</translation>
    </message>
    <message>
        <source>ページ色</source>
        <translation>Page color</translation>
    </message>
    <message>
        <source>目次でサムネイルを表示</source>
        <translation>Show thumbnails in the contents</translation>
    </message>
    <message>
        <source>常にきれいに描画する(マシンパワーが必要)</source>
        <translation>Always draw smoothly (needs a fast machine)</translation>
    </message>
    <message>
        <source>自動めくり間隔</source>
        <translation>Automatic turning every</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>ページに占める画像の割合(余白の指定)</source>
        <translation>Share of the page the picture fills (sets the margins)</translation>
    </message>
    <message>
        <source>％</source>
        <translation>%</translation>
    </message>
    <message>
        <source>前回の続きから開く</source>
        <translation>Reopen albums where reading stopped</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>※ 次回起動時から有効になります</source>
        <translation>(takes effect at the next start)</translation>
    </message>
    <message>
        <source>Susieプラグインの場所の指定</source>
        <translation>Where to find Susie plug-ins</translation>
    </message>
    <message>
        <source>Susieﾌﾟﾗｸﾞｲﾝは使用しない</source>
        <translation>Do not use Susie plug-ins</translation>
    </message>
    <message>
        <source>Folivexのﾌｫﾙﾀﾞにあるﾌﾟﾗｸﾞｲﾝを使用する</source>
        <translation>Use the plug-ins in the Folivex folder</translation>
    </message>
    <message>
        <source>Susieのｲﾝｽﾄｰﾙされたﾌｫﾙﾀﾞにあるﾌﾟﾗｸﾞｲﾝを使用する</source>
        <translation>Use the plug-ins in Susie&apos;s installation folder</translation>
    </message>
    <message>
        <source>表紙にタイトル文字を表示</source>
        <translation>Show the title on the cover</translation>
    </message>
    <message>
        <source>表紙に画像を表示</source>
        <translation>Show a picture on the cover</translation>
    </message>
    <message>
        <source>表紙にフォルダ名を表示</source>
        <translation>Show the folder name on the cover</translation>
    </message>
    <message>
        <source>%1 は実行形式ではありません</source>
        <translation>%1 is not a program</translation>
    </message>
</context>
<context>
    <name>folivex::TfrmRename</name>
    <message>
        <source>リネーム</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>出力ﾌｧｲﾙ名書式</source>
        <translation>Output File Names</translation>
    </message>
    <message>
        <source>先頭文字列</source>
        <translation>Prefix</translation>
    </message>
    <message>
        <source>末尾文字列</source>
        <translation>Suffix</translation>
    </message>
    <message>
        <source>連番設定</source>
        <translation>Serial Number</translation>
    </message>
    <message>
        <source>数字桁数</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>桁</source>
        <translation>digits</translation>
    </message>
    <message>
        <source>増分</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>出力フォルダ</source>
        <translation>Output Folder</translation>
    </message>
    <message>
        <source>参照..</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>変換開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>出力拡張子は例です。</source>
        <translation>The extension is an example.</translation>
    </message>
    <message>
        <source>出力先フォルダが指定されていません。</source>
        <translation>No output folder is set.</translation>
    </message>
    <message>
        <source>現在読み込んでいる画像のあるフォルダには出力できません。</source>
        <translation>Cannot write into the folder of the pictures now listed.</translation>
    </message>
    <message>
        <source>テスト</source>
        <translation>Summary</translation>
    </message>
    <message>
        <source>  先頭文字列</source>
        <translation>  Prefix: </translation>
    </message>
    <message>
        <source>  末尾文字列</source>
        <translation>  Suffix: </translation>
    </message>
    <message>
        <source>  連番桁数  </source>
        <translation>  Digits: </translation>
    </message>
    <message>
        <source>  連番増分  </source>
        <translation>  Step: </translation>
    </message>
    <message>
        <source>  出力先    </source>
        <translation>  Output folder: </translation>
    </message>
    <message>
        <source>中止しました。%1 個のファイルを書き出しました。</source>
        <translation>Stopped. %1 files were written.</translation>
    </message>
    <message>
        <source>%1 個のファイルを書き出しました。</source>
        <translation>%1 files were written.</translation>
    </message>
    <message>
        <source>アルバムファイル: %1</source>
        <translation>Album file: %1</translation>
    </message>
    <message>
        <source>これらのファイルを書き出しますか?</source>
        <translation>Write these files?</translation>
    </message>
    <message>
        <source>%1 は既にあります。ファイルは書き出しませんでした。</source>
        <translation>%1 exists already. No files were written.</translation>
    </message>
    <message>
        <source>書き出し中 %1/%2 (Escで中止)</source>
        <translation>Writing %1/%2 (Esc stops)</translation>
    </message>
</context>
</TS>
