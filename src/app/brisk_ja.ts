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
