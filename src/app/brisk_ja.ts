<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>ActionController</name>
    <message>
        <source>chosen</source>
        <translation>手動で選択</translation>
    </message>
    <message>
        <source>read from the radio on %1 at %2</source>
        <translation>%2 に %1 の無線機から読込</translation>
    </message>
    <message>
        <source>ADJUST file: %1 — type %2, %3</source>
        <translation>調整ﾌｧｲﾙ: %1 — ﾀｲﾌﾟ %2（%3）</translation>
    </message>
    <message>
        <source>the radio did not answer the type query</source>
        <translation>無線機がﾀｲﾌﾟの問い合わせに応答しません</translation>
    </message>
    <message>
        <source>the boot loader %1 could not be imported when the program started: %2</source>
        <translation>ﾌﾞｰﾄﾛｰﾀﾞｰ %1 を起動時に取り込めませんでした: %2</translation>
    </message>
    <message>
        <source>USER firmware file: %1</source>
        <translation>標準ﾌｧｰﾑ ﾌｧｲﾙ: %1</translation>
    </message>
    <message>
        <source>Settings file: %1</source>
        <translation>設定ﾌｧｲﾙ: %1</translation>
    </message>
    <message>
        <source>Saves to: %1</source>
        <translation>保存先: %1</translation>
    </message>
    <message>
        <source>Type %1, %2</source>
        <translation>ﾀｲﾌﾟ %1（%2）</translation>
    </message>
    <message>
        <source>Service record: %1</source>
        <translation>作業記録: %1</translation>
    </message>
</context>
<context>
    <name>BootTransfer</name>
    <message>
        <source>boot loader line %1 is not a valid record</source>
        <translation>ﾌﾞｰﾄﾛｰﾀﾞｰの %1 行目は正しいﾚｺｰﾄﾞではありません</translation>
    </message>
    <message>
        <source>boot loader line %1: byte count %2 does not match its %3 data bytes</source>
        <translation>ﾌﾞｰﾄﾛｰﾀﾞｰの %1 行目: ﾊﾞｲﾄ数 %2 がﾃﾞｰﾀの %3 ﾊﾞｲﾄと合いません</translation>
    </message>
    <message>
        <source>boot loader line %1: the record at %2 leaves a gap after the one on line %3, which ends at %4</source>
        <translation>ﾌﾞｰﾄﾛｰﾀﾞｰの %1 行目: %2 のﾚｺｰﾄﾞと、%4 で終わる %3 行目のﾚｺｰﾄﾞとの間に抜けがあります</translation>
    </message>
    <message>
        <source>boot loader line %1: the record at %2 overlaps the one on line %3, which ends at %4</source>
        <translation>ﾌﾞｰﾄﾛｰﾀﾞｰの %1 行目: %2 のﾚｺｰﾄﾞが、%4 で終わる %3 行目のﾚｺｰﾄﾞと重なっています</translation>
    </message>
    <message>
        <source>cannot read BootPrg: %1</source>
        <translation>BootPrg を読めません: %1</translation>
    </message>
    <message>
        <source>no boot loader: BootPrg is empty</source>
        <translation>ﾌﾞｰﾄﾛｰﾀﾞｰがありません: BootPrg が空です</translation>
    </message>
    <message>
        <source>the boot loader is %1 bytes; at most %2 can be announced</source>
        <translation>ﾌﾞｰﾄﾛｰﾀﾞｰが %1 ﾊﾞｲﾄあります。送れるのは %2 ﾊﾞｲﾄまでです</translation>
    </message>
    <message>
        <source>the loader length&apos;s high byte</source>
        <translation>ﾛｰﾀﾞｰ長の上位ﾊﾞｲﾄ</translation>
    </message>
    <message>
        <source>the loader length&apos;s low byte</source>
        <translation>ﾛｰﾀﾞｰ長の下位ﾊﾞｲﾄ</translation>
    </message>
    <message>
        <source>loader byte %1 of %2 (line %3)</source>
        <translation>ﾛｰﾀﾞｰの %2 ﾊﾞｲﾄ中 %1 ﾊﾞｲﾄ目 (%3 行目)</translation>
    </message>
    <message>
        <source>the start request 0x55</source>
        <translation>開始要求 0x55</translation>
    </message>
    <message>
        <source>the whole loader, which should now be running</source>
        <translation>ﾛｰﾀﾞｰ全体の送信 (ﾛｰﾀﾞｰが動き始めているはずです)</translation>
    </message>
</context>
<context>
    <name>ConfirmedWrite</name>
    <message>
        <source>the radio sent more than an answer holds without ending it (%1): check the cable and the port %2; %3</source>
        <translation>無線機が応答に収まらない量を終わりなしに送ってきました (%1): ｹｰﾌﾞﾙとﾎﾟｰﾄ %2 を確認してください。%3</translation>
    </message>
    <message>
        <source>the %1 were not written: %2</source>
        <translation>%1を書き込めませんでした: %2</translation>
    </message>
    <message>
        <source>the %1 could not all be sent: %2; %3</source>
        <translation>%1をすべては送れませんでした: %2。%3</translation>
    </message>
    <message>
        <source>the port is not open</source>
        <translation>ﾎﾟｰﾄが開いていません</translation>
    </message>
    <message>
        <source>the line to the radio went away while the %1 were sent: check the cable and the port %2; %3</source>
        <translation>%1の送信中に無線機との回線が切れました: ｹｰﾌﾞﾙとﾎﾟｰﾄ %2 を確認してください。%3</translation>
    </message>
    <message>
        <source>stopped at the operator&apos;s request after %1 commands of the %2; %3</source>
        <translation>操作者の指示により、%2のｺﾏﾝﾄﾞを %1 個送ったところで停止しました。%3</translation>
    </message>
    <message>
        <source>cannot read %1 to its end, the radio holds part of it: %2</source>
        <translation>%1 を最後まで読めません。無線機には一部だけが書き込まれています: %2</translation>
    </message>
    <message>
        <source>the line to the radio went away before it confirmed the %1: check the cable and the port %2; %3</source>
        <translation>無線機が%1を確認する前に回線が切れました: ｹｰﾌﾞﾙとﾎﾟｰﾄ %2 を確認してください。%3</translation>
    </message>
    <message>
        <source>the radio did not confirm the %1: no answer to the closing type query (TY;, waited %2 for the %3 bytes still on their way): %4; %5</source>
        <translation>無線機が%1を確認しません: 最後のﾀｲﾌﾟの問い合わせに応答がありません (TY;、送信途中の %3 ﾊﾞｲﾄを含めて %2待機): %4。%5</translation>
    </message>
    <message>
        <source>one of the first commands</source>
        <translation>最初のほうのｺﾏﾝﾄﾞのどれか</translation>
    </message>
    <message>
        <source>%1 or one before it</source>
        <translation>%1 またはその前のｺﾏﾝﾄﾞ</translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation>ほか %1 件</translation>
    </message>
    <message>
        <source>the radio refused %1 of the %2 commands of the %3 (it answered &quot;?;&quot;): %4; check those entries of the settings file</source>
        <translation>無線機が%3のｺﾏﾝﾄﾞ %2 個のうち %1 個を拒否しました (&quot;?;&quot; と応答): %4。設定ﾌｧｲﾙの該当する項目を確認してください</translation>
    </message>
    <message>
        <source>the radio may hold some of the %1 commands sent, and its own settings for the rest</source>
        <translation>無線機には送った %1 個のｺﾏﾝﾄﾞの一部だけが入り、残りは無線機の設定のままの可能性があります</translation>
    </message>
</context>
<context>
    <name>FileContents</name>
    <message>
        <source>cannot use %1: its name is not valid UTF-8, and Brisk keeps a file name as the bytes it is or not at all; rename the file (or its folder)</source>
        <translation>%1 を使えません: 名前が UTF-8 として正しくなく、ﾌｧｲﾙ名をそのまま扱えません。ﾌｧｲﾙ (またはﾌｫﾙﾀﾞ) の名前を変えてください</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 を読めません: %2</translation>
    </message>
    <message>
        <source>cannot read %1: it is a folder</source>
        <translation>%1 を読めません: ﾌｫﾙﾀﾞです</translation>
    </message>
    <message>
        <source>cannot read %1: it is not a regular file (a device or a pipe)</source>
        <translation>%1 を読めません: 通常のﾌｧｲﾙではありません (ﾃﾞﾊﾞｲｽまたはﾊﾟｲﾌﾟ)</translation>
    </message>
    <message>
        <source>cannot read %1: it is larger than %2 MB, too large for this kind of file</source>
        <translation>%1 を読めません: %2 MB を超えていて、この種類のﾌｧｲﾙとしては大きすぎます</translation>
    </message>
    <message>
        <source>cannot use the file&apos;s handle</source>
        <translation>ﾌｧｲﾙのﾊﾝﾄﾞﾙを使えません</translation>
    </message>
</context>
<context>
    <name>FirmwareFiles</name>
    <message>
        <source>Looked for it in:</source>
        <translation>探した場所:</translation>
    </message>
</context>
<context>
    <name>FirmwareImage</name>
    <message>
        <source>1 byte</source>
        <translation>1 ﾊﾞｲﾄ</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 ﾊﾞｲﾄ</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>ほか %1 か所</translation>
    </message>
    <message>
        <source>the image has a gap below its last data byte, filled with 0xFF: %1</source>
        <translation>ｲﾒｰｼﾞの最後のﾃﾞｰﾀより前に抜けが 1 か所あり、0xFF で埋めます: %1</translation>
    </message>
    <message>
        <source>the image has %1 gaps below its last data byte, %2 in all, filled with 0xFF: %3</source>
        <translation>ｲﾒｰｼﾞの最後のﾃﾞｰﾀより前に抜けが %1 か所 (合計 %2) あり、0xFF で埋めます: %3</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>%1 行目</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 を読めません: %2</translation>
    </message>
    <message>
        <source>%1: S3 records cannot be placed</source>
        <translation>%1: S3 ﾚｺｰﾄﾞは配置できません</translation>
    </message>
    <message>
        <source>%1: not a valid %2 record</source>
        <translation>%1: 正しい %2 ﾚｺｰﾄﾞではありません</translation>
    </message>
    <message>
        <source>%1 holds no S1 or S2 record with data</source>
        <translation>%1 にﾃﾞｰﾀのある S1 / S2 ﾚｺｰﾄﾞがありません</translation>
    </message>
    <message>
        <source>line %1: the image starts at %2, not at address 0</source>
        <translation>%1 行目: ｲﾒｰｼﾞがｱﾄﾞﾚｽ 0 ではなく %2 から始まっています</translation>
    </message>
    <message>
        <source>line %1: the record at %2 overlaps the one on line %3, which ends at %4</source>
        <translation>%1 行目: %2 のﾚｺｰﾄﾞが、%4 で終わる %3 行目のﾚｺｰﾄﾞと重なっています</translation>
    </message>
    <message>
        <source>the image is %1 frames (%2 bytes from address 0); a firmware image must be exactly %3 frames (%4 bytes)</source>
        <translation>ｲﾒｰｼﾞが %1 ﾌﾚｰﾑ (ｱﾄﾞﾚｽ 0 から %2 ﾊﾞｲﾄ) です。ﾌｧｰﾑｳｪｱのｲﾒｰｼﾞはちょうど %3 ﾌﾚｰﾑ (%4 ﾊﾞｲﾄ) でなければなりません</translation>
    </message>
</context>
<context>
    <name>FlashLink</name>
    <message>
        <source>stopped at the operator&apos;s request: the radio holds part of the firmware and must be written again</source>
        <translation>操作者の指示により停止しました: 無線機にはﾌｧｰﾑｳｪｱが一部しか書き込まれていないため、書き込み直す必要があります</translation>
    </message>
    <message>
        <source>check that the radio is in firmware-write mode, the cable and the port %1</source>
        <translation>無線機がﾌｧｰﾑｳｪｱ書き込みﾓｰﾄﾞになっているか、ｹｰﾌﾞﾙとﾎﾟｰﾄ %1 を確認してください</translation>
    </message>
    <message>
        <source>the line to the radio went away after %1: check the cable and the port %2</source>
        <translation>%1のあと無線機との回線が切れました: ｹｰﾌﾞﾙとﾎﾟｰﾄ %2 を確認してください</translation>
    </message>
    <message>
        <source>the radio stayed silent after %1 (waited %2 for %3): %4</source>
        <translation>%1のあと無線機から応答がありません (%3 を %2待機): %4</translation>
    </message>
    <message>
        <source>the radio echoed %1 for %2 (%3): check the cable and the port %4</source>
        <translation>無線機が %2 のｴｺｰとして %1 を返しました (%3): ｹｰﾌﾞﾙとﾎﾟｰﾄ %4 を確認してください</translation>
    </message>
    <message>
        <source>the radio refused %1 (%2)</source>
        <translation>無線機が拒否しました (%2): %1</translation>
    </message>
    <message>
        <source>the radio answered something else after %1 (%2 where %3 was due): %4</source>
        <translation>%1のあと無線機が想定外の応答をしました (%3 のはずが %2): %4</translation>
    </message>
    <message>
        <source>the synchronisation</source>
        <translation>同期</translation>
    </message>
</context>
<context>
    <name>ImageRowReader</name>
    <message>
        <source>the working database is not an SQLite database</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽが SQLite ﾃﾞｰﾀﾍﾞｰｽではありません</translation>
    </message>
</context>
<context>
    <name>MemoryChannels</name>
    <message>
        <source>the answer to MR%1; names entry %2, which is stored already</source>
        <translation>MR%1; への応答が、保存済みの項目 %2 を示しています</translation>
    </message>
    <message>
        <source>cannot store the answer to MR%1;: %2</source>
        <translation>MR%1; への応答を保存できません: %2</translation>
    </message>
    <message>
        <source>memory-channel entry %1-%2</source>
        <translation>ﾒﾓﾘｰﾁｬﾝﾈﾙ %1-%2</translation>
    </message>
    <message>
        <source>cannot read MemoryData: %1</source>
        <translation>MemoryData を読めません: %1</translation>
    </message>
    <message>
        <source>memory channels</source>
        <translation>ﾒﾓﾘｰﾁｬﾝﾈﾙ</translation>
    </message>
</context>
<context>
    <name>MenuTransfer</name>
    <message>
        <source>the menus were not read, as they depend on the radio&apos;s type: %1</source>
        <translation>ﾒﾆｭｰは無線機のﾀｲﾌﾟによって異なるため、読み込みませんでした: %1</translation>
    </message>
    <message>
        <source>cannot store menu %1 %2-%3 (%4%5): %6</source>
        <translation>ﾒﾆｭｰ %1 %2-%3 (%4%5) を保存できません: %6</translation>
    </message>
    <message>
        <source>menu bank %1: %2</source>
        <translation>ﾒﾆｭｰﾊﾞﾝｸ %1: %2</translation>
    </message>
    <message>
        <source>menu bank %1, menu %2</source>
        <translation>ﾒﾆｭｰﾊﾞﾝｸ %1 のﾒﾆｭｰ %2</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 ほか %2 件</translation>
    </message>
    <message>
        <source>left out %1 menu settings whose value is empty (an EX command without a value would read the setting, not empty it): %2</source>
        <translation>値が空のﾒﾆｭｰ設定 %1 件は送りませんでした (値のない EX ｺﾏﾝﾄﾞは設定を空にせず、読み出しになります): %2</translation>
    </message>
    <message>
        <source>cannot read MenuData: %1</source>
        <translation>MenuData を読めません: %1</translation>
    </message>
    <message>
        <source>menu settings</source>
        <translation>ﾒﾆｭｰ設定</translation>
    </message>
</context>
<context>
    <name>OutputPath</name>
    <message>
        <source>cannot save %1: its links go round in a loop</source>
        <translation>%1 に保存できません: ﾘﾝｸが循環しています</translation>
    </message>
    <message>
        <source>cannot save %1: it is a folder</source>
        <translation>%1 に保存できません: ﾌｫﾙﾀﾞです</translation>
    </message>
    <message>
        <source>cannot save %1: it is not a regular file (a device or a pipe), and Brisk replaces only files</source>
        <translation>%1 に保存できません: 通常のﾌｧｲﾙではありません (ﾃﾞﾊﾞｲｽまたはﾊﾟｲﾌﾟ)。Brisk が置き換えるのはﾌｧｲﾙだけです</translation>
    </message>
    <message>
        <source>cannot save %1: the folder %2 does not exist</source>
        <translation>%1 に保存できません: ﾌｫﾙﾀﾞ %2 がありません</translation>
    </message>
    <message>
        <source>cannot save %1: the folder %2 cannot be written</source>
        <translation>%1 に保存できません: ﾌｫﾙﾀﾞ %2 に書き込めません</translation>
    </message>
    <message>
        <source>cannot save %1: the file is read-only</source>
        <translation>%1 に保存できません: ﾌｧｲﾙが読み取り専用です</translation>
    </message>
</context>
<context>
    <name>ProgramTransfer</name>
    <message>
        <source>block %1 (address 0x%2)</source>
        <translation>ﾌﾞﾛｯｸ %1 (ｱﾄﾞﾚｽ 0x%2)</translation>
    </message>
    <message>
        <source>the write request for %1</source>
        <translation>%1 の書き込み要求</translation>
    </message>
    <message>
        <source>the header of %1</source>
        <translation>%1 のﾍｯﾀﾞｰ</translation>
    </message>
    <message>
        <source>frame %1 of %2</source>
        <translation>%2 のﾌﾚｰﾑ %1</translation>
    </message>
    <message>
        <source>the block check of %1</source>
        <translation>%1 のﾌﾞﾛｯｸﾁｪｯｸ</translation>
    </message>
    <message>
        <source>%1: its check did not match</source>
        <translation>%1: ﾁｪｯｸが一致しません</translation>
    </message>
    <message>
        <source>not a whole image</source>
        <translation>ｲﾒｰｼﾞが完全ではありません</translation>
    </message>
</context>
<context>
    <name>RadioSession</name>
    <message>
        <source>stopped at the operator&apos;s request at %1; the radio&apos;s settings are unchanged</source>
        <translation>操作者の指示により %1 で停止しました。無線機の設定は変わっていません</translation>
    </message>
</context>
<context>
    <name>SRecord</name>
    <message>
        <source>character %1 is not a hexadecimal digit</source>
        <translation>%1 文字目が 16 進数の数字ではありません</translation>
    </message>
    <message>
        <source>too short for an S-record</source>
        <translation>S ﾚｺｰﾄﾞとしては短すぎます</translation>
    </message>
    <message>
        <source>not an S-record: it does not start with &quot;S&quot;</source>
        <translation>S ﾚｺｰﾄﾞではありません: &quot;S&quot; で始まっていません</translation>
    </message>
    <message>
        <source>unknown record type</source>
        <translation>不明なﾚｺｰﾄﾞ種別です</translation>
    </message>
    <message>
        <source>S4 is a reserved record type</source>
        <translation>S4 は予約されたﾚｺｰﾄﾞ種別です</translation>
    </message>
    <message>
        <source>odd number of hexadecimal digits</source>
        <translation>16 進数の桁数が奇数です</translation>
    </message>
    <message>
        <source>byte count says %1 bytes, the line has %2</source>
        <translation>ﾊﾞｲﾄ数は %1 ですが、行には %2 ﾊﾞｲﾄあります</translation>
    </message>
    <message>
        <source>byte count %1 is too small for an S%2 record</source>
        <translation>ﾊﾞｲﾄ数 %1 は S%2 ﾚｺｰﾄﾞには小さすぎます</translation>
    </message>
    <message>
        <source>checksum is %1, the record&apos;s bytes give %2</source>
        <translation>ﾁｪｯｸｻﾑは %1 ですが、ﾚｺｰﾄﾞのﾊﾞｲﾄから求めると %2 です</translation>
    </message>
</context>
<context>
    <name>SRecordImport</name>
    <message>
        <source>%1 record refused: 32-bit addresses do not fit the image table</source>
        <translation>%1 ﾚｺｰﾄﾞは受け付けません: 32 ﾋﾞｯﾄのｱﾄﾞﾚｽはｲﾒｰｼﾞのﾃｰﾌﾞﾙに入りません</translation>
    </message>
    <message>
        <source>%1 record refused: a record must start with an upper-case &quot;S&quot;</source>
        <translation>%1 ﾚｺｰﾄﾞは受け付けません: ﾚｺｰﾄﾞは大文字の &quot;S&quot; で始まらなければなりません</translation>
    </message>
    <message>
        <source>%1 record refused in the boot loader: only S2 records are sent whole</source>
        <translation>ﾌﾞｰﾄﾛｰﾀﾞｰの %1 ﾚｺｰﾄﾞは受け付けません: 欠けずに送れるのは S2 ﾚｺｰﾄﾞだけです</translation>
    </message>
    <message>
        <source>record too long to store: %1 data bytes, at most %2 fit</source>
        <translation>ﾚｺｰﾄﾞが長すぎて保存できません: ﾃﾞｰﾀ %1 ﾊﾞｲﾄ (最大 %2 ﾊﾞｲﾄ)</translation>
    </message>
    <message>
        <source>%1 record refused: bytes after its count make it another count to other readers</source>
        <translation>%1 ﾚｺｰﾄﾞは受け付けません: 件数の後にﾊﾞｲﾄがあり、ほかのﾂｰﾙでは別の件数として読まれます</translation>
    </message>
    <message>
        <source>record count says %1 data records, the file has %2 before it</source>
        <translation>ﾚｺｰﾄﾞ件数は %1 ですが、その前にあるﾃﾞｰﾀﾚｺｰﾄﾞは %2 件です</translation>
    </message>
    <message>
        <source>cannot empty %1: %2</source>
        <translation>%1 を空にできません: %2</translation>
    </message>
    <message>
        <source>the working database is not an SQLite database</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽが SQLite ﾃﾞｰﾀﾍﾞｰｽではありません</translation>
    </message>
    <message>
        <source>cannot start storing: %1</source>
        <translation>保存を開始できません: %1</translation>
    </message>
    <message>
        <source>cannot store into %1: %2</source>
        <translation>%1 に保存できません: %2</translation>
    </message>
    <message>
        <source>cannot store: %1</source>
        <translation>保存できません: %1</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>%1 行目: %2</translation>
    </message>
    <message>
        <source>%1 is not an image table</source>
        <translation>%1 はｲﾒｰｼﾞのﾃｰﾌﾞﾙではありません</translation>
    </message>
</context>
<context>
    <name>SerialPorts</name>
    <message>
        <source>cannot write %1</source>
        <translation>%1 に書き込めません</translation>
    </message>
    <message>
        <source>no such device</source>
        <translation>ﾃﾞﾊﾞｲｽがありません</translation>
    </message>
</context>
<context>
    <name>SettingsCoverage</name>
    <message>
        <source>none of the %1 channel entries</source>
        <translation>ﾒﾓﾘｰﾁｬﾝﾈﾙ %1 件のうち 0 件</translation>
    </message>
    <message>
        <source>all %1 channel entries</source>
        <translation>ﾒﾓﾘｰﾁｬﾝﾈﾙ %1 件すべて</translation>
    </message>
    <message>
        <source>%1 of the %2 channel entries</source>
        <translation>ﾒﾓﾘｰﾁｬﾝﾈﾙ %2 件のうち %1 件</translation>
    </message>
    <message>
        <source>none of the menu entries</source>
        <translation>ﾒﾆｭｰ 0 件</translation>
    </message>
    <message>
        <source>all %1 menu entries</source>
        <translation>ﾒﾆｭｰ %1 件すべて</translation>
    </message>
    <message>
        <source>%1 of the %2 menu entries</source>
        <translation>ﾒﾆｭｰ %2 件のうち %1 件</translation>
    </message>
    <message>
        <source>the file holds %1</source>
        <translation>ﾌｧｲﾙにあるのは%1です</translation>
    </message>
    <message>
        <source>the file holds %1 and %2</source>
        <translation>ﾌｧｲﾙにあるのは%1と%2です</translation>
    </message>
    <message>
        <source>%1; the radio keeps its own for the rest</source>
        <translation>%1。残りは無線機の設定のままです</translation>
    </message>
</context>
<context>
    <name>SettingsFile</name>
    <message>
        <source>%1 (1 character)</source>
        <translation>%1 (1 文字)</translation>
    </message>
    <message>
        <source>%1 (%2 characters)</source>
        <translation>%1 (%2 文字)</translation>
    </message>
    <message>
        <source>&quot;;&quot;, which would end the command sent to the radio</source>
        <translation>&quot;;&quot; (無線機に送るｺﾏﾝﾄﾞがそこで終わってしまいます)</translation>
    </message>
    <message>
        <source>the control character 0x%1, which a radio command cannot carry</source>
        <translation>制御文字 0x%1 (無線機のｺﾏﾝﾄﾞでは送れません)</translation>
    </message>
    <message>
        <source>%1 field %2 holds %3</source>
        <translation>%1 の項目 %2 に使えない文字があります: %3</translation>
    </message>
    <message>
        <source>%1 field %2 is %3, expected %4 characters</source>
        <translation>%1 の項目 %2 が %3 です。%4 文字でなければなりません</translation>
    </message>
    <message>
        <source>%1 field %2 is %3, at most %4 allowed</source>
        <translation>%1 の項目 %2 が %3 です。%4 文字までです</translation>
    </message>
    <message>
        <source>%1 field %2 is %3, expected digits only</source>
        <translation>%1 の項目 %2 が %3 です。数字だけでなければなりません</translation>
    </message>
    <message>
        <source>an MR line needs 16 fields (15 commas after &quot;MR,&quot;)</source>
        <translation>MR 行には 16 項目が必要です (&quot;MR,&quot; の後にｺﾝﾏが 15 個)</translation>
    </message>
    <message>
        <source>MR field 1 is %1, expected &quot;0&quot; or &quot;1&quot;</source>
        <translation>MR の項目 1 が %1 です。&quot;0&quot; か &quot;1&quot; でなければなりません</translation>
    </message>
    <message>
        <source>an EX line needs 6 fields (5 commas after &quot;EX,&quot;)</source>
        <translation>EX 行には 6 項目が必要です (&quot;EX,&quot; の後にｺﾝﾏが 5 個)</translation>
    </message>
    <message>
        <source>EX field 1 (the bank) is %1, expected &quot;A&quot; or &quot;B&quot;</source>
        <translation>EX の項目 1 (ﾊﾞﾝｸ) が %1 です。&quot;A&quot; か &quot;B&quot; でなければなりません</translation>
    </message>
    <message>
        <source>the line is empty</source>
        <translation>空行です</translation>
    </message>
    <message>
        <source>it starts with %1, not &quot;MR,&quot; or &quot;EX,&quot;</source>
        <translation>行頭が &quot;MR,&quot; でも &quot;EX,&quot; でもなく %1 です</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>%1 行目: %2</translation>
    </message>
    <message>
        <source>a character cannot be saved as one byte</source>
        <translation>1 ﾊﾞｲﾄで保存できない文字があります</translation>
    </message>
    <message>
        <source>a value holds a comma</source>
        <translation>値にｺﾝﾏが含まれています</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 を読めません: %2</translation>
    </message>
    <message>
        <source>cannot save the %1 row %2: %3</source>
        <translation>%1 の行 %2 を保存できません: %3</translation>
    </message>
    <message>
        <source>cannot read %1 to its end: %2</source>
        <translation>%1 を最後まで読めません: %2</translation>
    </message>
    <message>
        <source>cannot empty the tables: %1</source>
        <translation>ﾃｰﾌﾞﾙを空にできません: %1</translation>
    </message>
    <message>
        <source>line %1: the same entry is on an earlier line</source>
        <translation>%1 行目: 同じ項目が前の行にあります</translation>
    </message>
    <message>
        <source>the file is empty: it holds no MR or EX line to write</source>
        <translation>ﾌｧｲﾙが空です: 書き込む MR 行も EX 行もありません</translation>
    </message>
    <message>
        <source>the line has no line end: the file was cut short</source>
        <translation>行末がありません: ﾌｧｲﾙが途中で切れています</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>cannot save %1: %2</source>
        <translation>%1 を保存できません: %2</translation>
    </message>
</context>
<context>
    <name>UserFolders</name>
    <message>
        <source>cannot make a private folder in %1: %2</source>
        <translation>%1 に専用ﾌｫﾙﾀﾞを作れません: %2</translation>
    </message>
    <message>
        <source>cannot use the folder %1: it is not a folder of this user&apos;s</source>
        <translation>ﾌｫﾙﾀﾞ %1 を使えません: このﾕｰｻﾞｰのﾌｫﾙﾀﾞではありません</translation>
    </message>
</context>
<context>
    <name>WorkDatabase</name>
    <message>
        <source>cannot create the working database %1: %2</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽ %1 を作れません: %2</translation>
    </message>
    <message>
        <source>cannot examine the working database %1: %2</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽ %1 を調べられません: %2</translation>
    </message>
    <message>
        <source>cannot create the working database in %1: it is not a folder of this user&apos;s that nobody else may write to</source>
        <translation>%1 に作業用ﾃﾞｰﾀﾍﾞｰｽを作れません: このﾕｰｻﾞｰだけが書き込めるﾌｫﾙﾀﾞではありません</translation>
    </message>
    <message>
        <source>the working database %1 was replaced while it was made</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽ %1 が作成中に置き換えられました</translation>
    </message>
    <message>
        <source>cannot replace the old working database %1</source>
        <translation>古い作業用ﾃﾞｰﾀﾍﾞｰｽ %1 を置き換えられません</translation>
    </message>
    <message>
        <source>cannot create the working database: %1</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽを作れません: %1</translation>
    </message>
    <message>
        <source>cannot open the working database %1: %2</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽ %1 を開けません: %2</translation>
    </message>
    <message>
        <source>cannot use the working database %1: %2</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽ %1 を使えません: %2</translation>
    </message>
    <message>
        <source>cannot empty %1: %2</source>
        <translation>%1 を空にできません: %2</translation>
    </message>
    <message>
        <source>cannot store into %1: %2</source>
        <translation>%1 に保存できません: %2</translation>
    </message>
</context>
<context>
    <name>clsBriskHx7730</name>
    <message>
        <source>there is no device %1: check the cable (or the USB serial adapter) and the port</source>
        <translation>ﾃﾞﾊﾞｲｽ %1 がありません: ｹｰﾌﾞﾙ (または USB ｼﾘｱﾙ変換器) とﾎﾟｰﾄを確認してください</translation>
    </message>
    <message>
        <source>no permission to open %1: add your user to the group %2 (sudo usermod -aG %2 $USER), then log in again</source>
        <translation>%1 を開く権限がありません: ﾕｰｻﾞｰをｸﾞﾙｰﾌﾟ %2 に追加し (sudo usermod -aG %2 $USER)、ﾛｸﾞｲﾝし直してください</translation>
    </message>
    <message>
        <source>%1 is in use by another program: close it, or choose another port</source>
        <translation>%1 は別のﾌﾟﾛｸﾞﾗﾑが使用中です: そのﾌﾟﾛｸﾞﾗﾑを閉じるか、別のﾎﾟｰﾄを選んでください</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>%1 を開けません: %2</translation>
    </message>
    <message>
        <source>the type query</source>
        <translation>ﾀｲﾌﾟの問い合わせ</translation>
    </message>
    <message>
        <source>a menu read</source>
        <translation>ﾒﾆｭｰの読み込み</translation>
    </message>
    <message>
        <source>a memory-channel read</source>
        <translation>ﾒﾓﾘｰﾁｬﾝﾈﾙの読み込み</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>check that the radio is switched on normally (not in firmware-write mode), the cable and the port %1</source>
        <translation>無線機が通常どおり電源オンになっているか (ﾌｧｰﾑｳｪｱ書き込みﾓｰﾄﾞではないか)、ｹｰﾌﾞﾙとﾎﾟｰﾄ %1 を確認してください</translation>
    </message>
    <message>
        <source>cannot write to the port: %1</source>
        <translation>ﾎﾟｰﾄに書き込めません: %1</translation>
    </message>
    <message>
        <source>the last bytes did not leave the port: %1</source>
        <translation>最後のﾃﾞｰﾀがﾎﾟｰﾄから送り出されません: %1</translation>
    </message>
    <message>
        <source>not a hexadecimal byte at character %1 of &quot;%2&quot;</source>
        <translation>&quot;%2&quot; の %1 文字目が 16 進数のﾊﾞｲﾄではありません</translation>
    </message>
    <message>
        <source>character %1 of &quot;%2&quot; cannot be sent as one byte</source>
        <translation>&quot;%2&quot; の %1 文字目は 1 ﾊﾞｲﾄで送れません</translation>
    </message>
    <message>
        <source>the line to the radio went away during %1 (%2: %3): check the cable and the port %4</source>
        <translation>%1の途中で無線機との回線が切れました (%2: %3): ｹｰﾌﾞﾙとﾎﾟｰﾄ %4 を確認してください</translation>
    </message>
    <message>
        <source>the radio did not answer %1 (%2, waited %3): %4</source>
        <translation>無線機が%1に応答しません (%2、%3待機): %4</translation>
    </message>
    <message>
        <source>the radio refused %1 (%2: it answered &quot;?;&quot;)</source>
        <translation>無線機が%1を拒否しました (%2: &quot;?;&quot; と応答)</translation>
    </message>
    <message>
        <source>the radio answered %1 with something else (%2: %3): %4</source>
        <translation>無線機が%1に想定外の応答をしました (%2: %3): %4</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>%p % — %1 bytes/s — %2 left</source>
        <translation>%p % — %1 ﾊﾞｲﾄ/秒 — 残り %2</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>Port: %1</source>
        <translation>ﾎﾟｰﾄ: %1</translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation>ﾌｧｲﾙ: %1</translation>
    </message>
    <message>
        <source>it cannot be imported</source>
        <translation>取り込めません</translation>
    </message>
    <message>
        <source>Stopping: the run ends at its next step, then the window closes.</source>
        <translation>停止中: 処理は次の区切りで止まり、ｳｨﾝﾄﾞｳを閉じます。</translation>
    </message>
    <message>
        <source>The window closes when this run has ended. To stop the run now, end the program with SIGTERM or SIGINT (Ctrl+C in the terminal that started it).</source>
        <translation>処理が終わるとｳｨﾝﾄﾞｳを閉じます。今すぐ止めるには、SIGTERM か SIGINT (起動した端末で Ctrl+C) でﾌﾟﾛｸﾞﾗﾑを終了してください。</translation>
    </message>
    <message>
        <source>The working database cannot be created.</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽを作成できません。</translation>
    </message>
    <message>
        <source>&amp;Devices…</source>
        <translation>ﾃﾞﾊﾞｲｽ(&amp;D)…</translation>
    </message>
    <message>
        <source>The working database %1 is in use by process %2.</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽ %1 はﾌﾟﾛｾｽ %2 が使用中です。</translation>
    </message>
    <message>
        <source>%1 is already running.</source>
        <translation>%1 はすでに起動しています。</translation>
    </message>
    <message>
        <source>cannot create the lock file %1: permission denied</source>
        <translation>ﾛｯｸﾌｧｲﾙ %1 を作成できません: 権限がありません</translation>
    </message>
    <message>
        <source>the lock file %1 is left by a program that has ended, and cannot be removed</source>
        <translation>ﾛｯｸﾌｧｲﾙ %1 は終了したﾌﾟﾛｸﾞﾗﾑが残したもので、削除できません</translation>
    </message>
    <message>
        <source>cannot create the lock file %1</source>
        <translation>ﾛｯｸﾌｧｲﾙ %1 を作成できません</translation>
    </message>
    <message>
        <source>The working database cannot be opened.</source>
        <translation>作業用ﾃﾞｰﾀﾍﾞｰｽを開けません。</translation>
    </message>
</context>
<context>
    <name>frmPorts</name>
    <message>
        <source>missing</source>
        <translation>見つかりません</translation>
    </message>
    <message>
        <source>busy</source>
        <translation>使用中</translation>
    </message>
    <message>
        <source>not permitted</source>
        <translation>権限がありません</translation>
    </message>
    <message>
        <source>Add your user to the device&apos;s group (e.g. dialout), then log in again.</source>
        <translation>ﾕｰｻﾞｰをﾃﾞﾊﾞｲｽのｸﾞﾙｰﾌﾟ（dialout など）に追加し、ﾛｸﾞｲﾝし直してください。</translation>
    </message>
    <message>
        <source>unusable</source>
        <translation>使用できません</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>ﾃﾞﾊﾞｲｽ</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>説明</translation>
    </message>
    <message>
        <source>Manufacturer</source>
        <translation>ﾒｰｶｰ</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>ｼﾘｱﾙ番号</translation>
    </message>
    <message>
        <source>Stable name</source>
        <translation>固定名</translation>
    </message>
    <message>
        <source>Serial Port Devices</source>
        <translation>ｼﾘｱﾙﾎﾟｰﾄ ﾃﾞﾊﾞｲｽ</translation>
    </message>
    <message>
        <source>Choose the device for COM1 and COM2. A name in /dev/serial/by-id stays the same when the adapter is plugged in again.</source>
        <translation>COM1 と COM2 のﾃﾞﾊﾞｲｽを選んでください。/dev/serial/by-id の名前はｱﾀﾞﾌﾟﾀを差し直しても変わりません。</translation>
    </message>
</context>
<context>
    <name>frmRadioType</name>
    <message>
        <source>Radio Type</source>
        <translation>ﾀｲﾌﾟ選択</translation>
    </message>
    <message>
        <source>No type has been read from the radio. Choose the radio&apos;s market type: it decides which ADJUST file is written.</source>
        <translation>無線機からﾀｲﾌﾟを読み込んでいません。無線機のﾀｲﾌﾟ（仕向け）を選んでください。書き込む調整ﾌｧｲﾙはﾀｲﾌﾟで決まります。</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>ﾀｲﾌﾟ</translation>
    </message>
    <message>
        <source>ADJUST file</source>
        <translation>調整ﾌｧｲﾙ</translation>
    </message>
</context>
</TS>
