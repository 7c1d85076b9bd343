<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>TBPrinters</name>
    <message>
        <source>No permission: install the udev rule</source>
        <translation>アクセス権なし：udevルールをインストールしてください</translation>
    </message>
    <message>
        <source>In use by other application</source>
        <translation>他のアプリケーションが使用中</translation>
    </message>
    <message>
        <source>Not Responding</source>
        <translation>応答なし</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>利用不可</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>有効</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>無効</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>お知らせ</translation>
    </message>
    <message>
        <source>This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to version %1.

Once updated, the QXA printer will REQUIRE the use of QXAHS media packs. Please use up all QXA media before using this update tool. This process cannot be undone.</source>
        <translation>この更新ツールはZEV QXAプリンター用です。プリンターのファームウェアをバージョン%1に更新します。

更新後のQXAプリンターでは、QXAHSメディアパックしか使用できなくなります。この更新ツールを使用する前に、QXAメディアをすべて使い切ってください。この操作は元に戻せません。</translation>
    </message>
    <message>
        <source>This update tool will upgrade the printer firmware to version %1. This process cannot be undone</source>
        <translation>この更新ツールは、プリンターのファームウェアをバージョン%1に更新します。この操作は元に戻せません。</translation>
    </message>
    <message>
        <source>-- Warning --

Are you certain you want to update the firmware?</source>
        <translation>-- 警告 --

ファームウェアを更新してもよろしいですか？</translation>
    </message>
    <message>
        <source>The printer may be permanently damaged if it is unplugged or loses power during the update process.</source>
        <translation>更新中にプリンターのケーブルが抜けたり電源が切れたりすると、プリンターが修復できない損傷を受けるおそれがあります。</translation>
    </message>
    <message>
        <source>I Agree</source>
        <translation>同意する</translation>
    </message>
    <message>
        <source>Attention:</source>
        <translation>注意：</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>続行</translation>
    </message>
    <message>
        <source>The Selected Printer is Unavailable. (Busy)</source>
        <translation>選択したプリンターは使用できません。（使用中）</translation>
    </message>
    <message>
        <source>Please power-cycle the selected printer now to complete the process!</source>
        <translation>処理を完了するため、選択したプリンターの電源を今すぐ入れ直してください。</translation>
    </message>
    <message>
        <source>Old print queues could not be removed</source>
        <translation>古い印刷キューを削除できませんでした</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device. These print queues for it could not be removed:

%1

Remove them in the printer settings, or ask your administrator to remove them.</source>
        <translation>このプリンターは、印刷システムから新しいデバイスとして認識されます。このプリンターの次の印刷キューを削除できませんでした：

%1

プリンターの設定で削除するか、管理者に削除を依頼してください。</translation>
    </message>
    <message>
        <source>Checking firmware ...</source>
        <translation>ファームウェアを確認しています...</translation>
    </message>
    <message>
        <source>A printer was unexpectedly found in firmware update mode. Would you like to update the firmware? </source>
        <translation>ファームウェア更新モードになっているプリンターが見つかりました。ファームウェアを更新しますか？ </translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>無視</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>ファームウェアを更新</translation>
    </message>
    <message>
        <source>Please power-cycle this printer</source>
        <translation>このプリンターの電源を入れ直してください</translation>
    </message>
    <message>
        <source>Contact customer support if power-cycling does not resolve the issue.</source>
        <translation>電源を入れ直しても問題が解決しない場合は、カスタマーサポートにお問い合わせください。</translation>
    </message>
    <message>
        <source>Being updated by another program</source>
        <translation>他のプログラムが更新中</translation>
    </message>
    <message>
        <source>Firmware version updated to %1</source>
        <translation>ファームウェアのバージョンを%1に更新しました</translation>
    </message>
    <message>
        <source>Firmware version updated from %1 to %2</source>
        <translation>ファームウェアのバージョンを%1から%2に更新しました</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>不明</translation>
    </message>
    <message>
        <source>Current firmware version: %1</source>
        <translation>現在のファームウェアバージョン：%1</translation>
    </message>
    <message>
        <source>Previous firmware version: %1 current version: %2</source>
        <translation>以前のファームウェアバージョン：%1、現在のバージョン：%2</translation>
    </message>
    <message>
        <source>There was a problem with the firmware update!</source>
        <translation>ファームウェアの更新中に問題が発生しました。</translation>
    </message>
    <message>
        <source>Firmware update not needed</source>
        <translation>ファームウェアの更新は不要です</translation>
    </message>
    <message>
        <source>This printer has firmware version %1 installed.</source>
        <translation>このプリンターにはファームウェアバージョン%1がインストールされています。</translation>
    </message>
    <message>
        <source>Printer Not Ready</source>
        <translation>プリンターの準備ができていません</translation>
    </message>
    <message>
        <source>Please correct the following issue: %1</source>
        <translation>次の問題を解決してください：%1</translation>
    </message>
    <message>
        <source>Proceed</source>
        <translation>続行</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Printer Busy</source>
        <translation>プリンター使用中</translation>
    </message>
    <message>
        <source>Another application is using the printer. Please proceed when the printer becomes available.</source>
        <translation>他のアプリケーションがプリンターを使用しています。プリンターが使用可能になってから続行してください。</translation>
    </message>
    <message>
        <source>Update Firmware to %1</source>
        <translation>ファームウェアを%1に更新</translation>
    </message>
    <message>
        <source>Updating firmware ...</source>
        <translation>ファームウェアを更新しています...</translation>
    </message>
    <message>
        <source>Writing firmware ...</source>
        <translation>ファームウェアを書き込んでいます...</translation>
    </message>
    <message>
        <source>The firmware could not be sent to the printer</source>
        <translation>ファームウェアをプリンターに送信できませんでした</translation>
    </message>
    <message>
        <source>The printer stays in firmware update mode until it receives the firmware. Check the USB cable and choose Update Firmware… to send it again. A printer that was unplugged gets the firmware again when it is plugged back in.</source>
        <translation>プリンターは、ファームウェアを受信するまでファームウェア更新モードのままです。USBケーブルを確認し、「ファームウェアの更新…」を選んでもう一度送信してください。ケーブルを抜いたプリンターには、接続し直したときにファームウェアがもう一度送信されます。</translation>
    </message>
    <message>
        <source>There is a problem with the firmware files.</source>
        <translation>ファームウェアファイルに問題があります。</translation>
    </message>
    <message>
        <source>The printer could not be opened.</source>
        <translation>プリンターに接続できませんでした。</translation>
    </message>
    <message>
        <source>The color tables could not be written</source>
        <translation>カラーテーブルを書き込めませんでした</translation>
    </message>
    <message>
        <source>The printer has its new firmware. Unplug it and plug it in again to write the color tables.</source>
        <translation>プリンターには新しいファームウェアが入っています。カラーテーブルを書き込むには、プリンターのケーブルを抜いてから、もう一度接続してください。</translation>
    </message>
    <message>
        <source>Updating color tables ...</source>
        <translation>カラーテーブルを更新しています...</translation>
    </message>
    <message>
        <source>The printer stopped taking them.</source>
        <translation>プリンターがカラーテーブルを受け付けなくなりました。</translation>
    </message>
    <message>
        <source>Firmware update was successful!</source>
        <translation>ファームウェアの更新が正常に完了しました。</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>完了</translation>
    </message>
    <message>
        <source>-- File corruption --

There is a problem with the firmware files.</source>
        <translation>-- ファイル破損 --

ファームウェアファイルに問題があります。</translation>
    </message>
    <message>
        <source>Contact customer support.</source>
        <translation>カスタマーサポートにお問い合わせください。</translation>
    </message>
    <message>
        <source>There was a problem with the firmware file!</source>
        <translation>ファームウェアファイルに問題があります。</translation>
    </message>
    <message>
        <source>This application may be damaged. Please download a new copy.</source>
        <translation>このアプリケーションは破損している可能性があります。新しいコピーをダウンロードしてください。</translation>
    </message>
    <message>
        <source>The update history %1 is locked by another program. Updates are recorded as soon as it is free again.</source>
        <translation>更新履歴「%1」は他のプログラムによってロックされています。ロックが解除され次第、更新が記録されます。</translation>
    </message>
    <message>
        <source>The update history %1 cannot be used: %2</source>
        <translation>更新履歴「%1」を使用できません：%2</translation>
    </message>
    <message>
        <source>The update history %1 could not be read (%2). It was set aside as %3 and a new one started.</source>
        <translation>更新履歴「%1」を読み取れませんでした（%2）。このファイルは「%3」として退避し、新しい履歴を作成しました。</translation>
    </message>
    <message>
        <source>No update history is kept.</source>
        <translation>更新履歴は記録されません。</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>記録された更新はありません。</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>ファームウェア:</translation>
    </message>
    <message>
        <source>Colour tables:</source>
        <translation>カラーテーブル:</translation>
    </message>
    <message>
        <source>Update history</source>
        <translation>更新履歴</translation>
    </message>
    <message>
        <source>The record of firmware updates under way could not be read</source>
        <translation>実行中のファームウェア更新の記録を読み取れませんでした</translation>
    </message>
    <message>
        <source>It was set aside as %1.</source>
        <translation>このファイルは「%1」として退避しました。</translation>
    </message>
    <message>
        <source>An update that was interrupted when this program last ended cannot be carried on by itself. A printer found in firmware update mode can still be updated from here.</source>
        <translation>前回このプログラムを終了したときに中断された更新は、自動では再開できません。ファームウェア更新モードのプリンターは、引き続きここから更新できます。</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation>%1から%2へ</translation>
    </message>
    <message>
        <source>being updated by another program</source>
        <translation>他のプログラムが更新中</translation>
    </message>
    <message>
        <source>This update tool will upgrade the firmware of these printers to versions %1. This process cannot be undone</source>
        <translation>この更新ツールは、これらのプリンターのファームウェアをバージョン%1に更新します。この操作は元に戻せません。</translation>
    </message>
    <message>
        <source>it left the USB bus</source>
        <translation>USBバスから切断されました</translation>
    </message>
    <message>
        <source>no update needed (firmware %1 installed)</source>
        <translation>更新不要（ファームウェア%1がインストール済み）</translation>
    </message>
    <message>
        <source>the firmware files are damaged</source>
        <translation>ファームウェアファイルが破損しています</translation>
    </message>
    <message>
        <source>busy: another application is using it</source>
        <translation>使用中：他のアプリケーションが使用しています</translation>
    </message>
    <message>
        <source>not responding</source>
        <translation>応答なし</translation>
    </message>
    <message>
        <source>not ready: %1</source>
        <translation>準備未完了：%1</translation>
    </message>
    <message>
        <source>its update is already under way</source>
        <translation>すでに更新中です</translation>
    </message>
    <message>
        <source>These printers will be updated:</source>
        <translation>次のプリンターを更新します：</translation>
    </message>
    <message>
        <source>These printers will not be updated:</source>
        <translation>次のプリンターは更新しません：</translation>
    </message>
    <message>
        <source>Update %1 Printers</source>
        <translation>%1台のプリンターを更新</translation>
    </message>
    <message>
        <source>%1 of %2 printers updated</source>
        <translation>%2台中%1台のプリンターを更新しました</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>キャンセルされました</translation>
    </message>
    <message>
        <source>Updated:</source>
        <translation>更新済み：</translation>
    </message>
    <message>
        <source>Failed:</source>
        <translation>失敗：</translation>
    </message>
    <message>
        <source>Not updated:</source>
        <translation>未更新：</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>更新中</translation>
    </message>
    <message>
        <source>The printer did not come back</source>
        <translation>プリンターが復帰しませんでした</translation>
    </message>
    <message>
        <source>The printer left the USB bus to restart during its firmware update and has not come back within %1 minutes. Check that it is switched on and that its USB cable is plugged in. Once it is back, the update carries on by itself; if it does not, power-cycle the printer.</source>
        <translation>プリンターはファームウェアの更新中、再起動のためにUSBバスから切断され、%1分以内に復帰しませんでした。プリンターの電源が入っていること、USBケーブルが接続されていることを確認してください。プリンターが復帰すると、更新は自動的に再開されます。再開されない場合は、プリンターの電源を入れ直してください。</translation>
    </message>
    <message>
        <source>Printer Error</source>
        <translation>プリンターエラー</translation>
    </message>
    <message>
        <source>The printer is not responding properly. Please power-cycle the printer and try again.</source>
        <translation>プリンターが正しく応答していません。プリンターの電源を入れ直してから、もう一度お試しください。</translation>
    </message>
    <message>
        <source>Firmware Update Mode</source>
        <translation>ファームウェア更新モード</translation>
    </message>
    <message>
        <source>Unknown Status</source>
        <translation>不明なステータス</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>待機中</translation>
    </message>
    <message>
        <source>Printing</source>
        <translation>印刷中</translation>
    </message>
    <message>
        <source>Head cool down cycle</source>
        <translation>ヘッド冷却中</translation>
    </message>
    <message>
        <source>Motor cool down cycle</source>
        <translation>モーター冷却中</translation>
    </message>
    <message>
        <source>Sleeping (standby mode)</source>
        <translation>スリープ（スタンバイモード）</translation>
    </message>
    <message>
        <source>Cover Open</source>
        <translation>カバーが開いています</translation>
    </message>
    <message>
        <source>Scrap Box Missing</source>
        <translation>紙くずボックスがありません</translation>
    </message>
    <message>
        <source>Paper End</source>
        <translation>用紙切れ</translation>
    </message>
    <message>
        <source>Ribbon End</source>
        <translation>リボン切れ</translation>
    </message>
    <message>
        <source>Paper Jam</source>
        <translation>紙詰まり</translation>
    </message>
    <message>
        <source>Ribbon Error</source>
        <translation>リボンエラー</translation>
    </message>
    <message>
        <source>Wrong Paper</source>
        <translation>用紙が違います</translation>
    </message>
    <message>
        <source>Bad Data</source>
        <translation>不正なデータ</translation>
    </message>
    <message>
        <source>Head Voltage Error</source>
        <translation>ヘッド電圧エラー</translation>
    </message>
    <message>
        <source>Head Position Error</source>
        <translation>ヘッド位置エラー</translation>
    </message>
    <message>
        <source>Power supply Error</source>
        <translation>電源エラー</translation>
    </message>
    <message>
        <source>Cutter Error</source>
        <translation>カッターエラー</translation>
    </message>
    <message>
        <source>Pinch Roller Error</source>
        <translation>ピンチローラーエラー</translation>
    </message>
    <message>
        <source>Head Temp High Error</source>
        <translation>ヘッド高温エラー</translation>
    </message>
    <message>
        <source>Media Temp Error</source>
        <translation>メディア温度エラー</translation>
    </message>
    <message>
        <source>Motor Temp Error</source>
        <translation>モーター温度エラー</translation>
    </message>
    <message>
        <source>Ribbon Tension Error</source>
        <translation>リボン張力エラー</translation>
    </message>
    <message>
        <source>RFID Module Error</source>
        <translation>RFIDモジュールエラー</translation>
    </message>
    <message>
        <source>System Fail Error</source>
        <translation>システムエラー</translation>
    </message>
    <message>
        <source>USB Available</source>
        <translation>USB使用可能</translation>
    </message>
    <message>
        <source>USB Open</source>
        <translation>USB接続中</translation>
    </message>
    <message>
        <source>Waiting for USB</source>
        <translation>USB待機中</translation>
    </message>
    <message>
        <source>USB Busy</source>
        <translation>USB使用中</translation>
    </message>
    <message>
        <source>%1 at port %2</source>
        <translation>%1（ポート%2）</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失敗</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>キャンセル済み</translation>
    </message>
    <message>
        <source>Not needed</source>
        <translation>更新不要</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>未復帰</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>中断</translation>
    </message>
    <message>
        <source>Under way</source>
        <translation>実行中</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>要求</translation>
    </message>
    <message>
        <source>Restart into update mode</source>
        <translation>更新モードで再起動</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>転送</translation>
    </message>
    <message>
        <source>Programming and restart</source>
        <translation>書き込みと再起動</translation>
    </message>
    <message>
        <source>Colour tables</source>
        <translation>カラーテーブル</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>開始日時</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>プリンター</translation>
    </message>
    <message>
        <source>Device Key</source>
        <translation>デバイスキー</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>ファームウェア</translation>
    </message>
    <message>
        <source>Colour Tables</source>
        <translation>カラーテーブル</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>結果</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>失敗の理由</translation>
    </message>
    <message>
        <source>Update History</source>
        <translation>更新履歴</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>エクスポート…</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>再読み込み</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>履歴のエクスポート</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>「%1」に保存しました</translation>
    </message>
    <message>
        <source>The history could not be saved to “%1”.</source>
        <translation>履歴を「%1」に保存できませんでした。</translation>
    </message>
    <message>
        <source>The update history could not be used as it was</source>
        <translation>更新履歴をそのままでは使用できませんでした</translation>
    </message>
    <message>
        <source>USB Status</source>
        <translation>USBステータス</translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation>プリンターステータス</translation>
    </message>
    <message>
        <source>Package Firmware</source>
        <translation>同梱ファームウェア</translation>
    </message>
    <message>
        <source>Lifetime Counter</source>
        <translation>累計カウンター</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>シリアル番号</translation>
    </message>
    <message>
        <source>USB Serial Number</source>
        <translation>USBシリアル番号</translation>
    </message>
    <message>
        <source>Colour Tables (Version / Checksum)</source>
        <translation>カラーテーブル（バージョン / チェックサム）</translation>
    </message>
    <message>
        <source>Colour table %1: version %2, checksum %3</source>
        <translation>カラーテーブル%1：バージョン%2、チェックサム%3</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>プリンター一覧</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>プリンター(&amp;P)</translation>
    </message>
    <message>
        <source>Update Firmware…</source>
        <translation>ファームウェアの更新…</translation>
    </message>
    <message>
        <source>Update the selected printer&apos;s firmware and colour tables</source>
        <translation>選択したプリンターのファームウェアとカラーテーブルを更新します</translation>
    </message>
    <message>
        <source>Update All Printers…</source>
        <translation>すべてのプリンターを更新…</translation>
    </message>
    <message>
        <source>Update the firmware and colour tables of every listed printer at the same time</source>
        <translation>一覧のすべてのプリンターのファームウェアとカラーテーブルを同時に更新します</translation>
    </message>
    <message>
        <source>Read the selected printer&apos;s information again</source>
        <translation>選択したプリンターの情報をもう一度読み込みます</translation>
    </message>
    <message>
        <source>History…</source>
        <translation>履歴…</translation>
    </message>
    <message>
        <source>Show the firmware updates made on this computer and export them for support</source>
        <translation>このコンピューターで行ったファームウェア更新を表示し、サポート用にエクスポートします</translation>
    </message>
    <message>
        <source>%1 updates are in progress…</source>
        <translation>%1件の更新を実行中です…</translation>
    </message>
    <message>
        <source>An update is in progress…</source>
        <translation>更新を実行中です…</translation>
    </message>
    <message>
        <source>If you quit now, the update stops where it stands. A printer still waiting for its firmware stays in firmware update mode and cannot print until the firmware is sent to it again; a printer that already has its new firmware keeps its old color tables.

Keep this program running until it reports the outcome.</source>
        <translation>今終了すると、更新はその時点で止まります。ファームウェアの受信を待っているプリンターはファームウェア更新モードのままとなり、ファームウェアがもう一度送信されるまで印刷できません。新しいファームウェアを受信済みのプリンターは、古いカラーテーブルのままになります。

結果が表示されるまで、このプログラムを終了しないでください。</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>実行を続ける</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>それでも終了</translation>
    </message>
    <message>
        <source>No simulated printer</source>
        <translation>シミュレーションのプリンターなし</translation>
    </message>
    <message>
        <source>&amp;Simulation</source>
        <translation>シミュレーション(&amp;S)</translation>
    </message>
    <message>
        <source>Plug in or unplug simulated printers, or make one misbehave</source>
        <translation>シミュレーションのプリンターを接続・取り外しするか、異常を発生させます</translation>
    </message>
    <message>
        <source>Plug In</source>
        <translation>接続</translation>
    </message>
    <message>
        <source>Other Models (Ignored by This Program)</source>
        <translation>その他の機種（このプログラムでは無視）</translation>
    </message>
    <message>
        <source>%1 printer</source>
        <translation>%1プリンター</translation>
    </message>
    <message>
        <source>In Firmware Update Mode</source>
        <translation>ファームウェア更新モード中</translation>
    </message>
    <message>
        <source>Unplug</source>
        <translation>取り外し</translation>
    </message>
    <message>
        <source>Power Cycle</source>
        <translation>電源の入れ直し</translation>
    </message>
    <message>
        <source>Paper End Error</source>
        <translation>用紙切れエラー</translation>
    </message>
    <message>
        <source>Held by Another Program</source>
        <translation>他のプログラムが使用中</translation>
    </message>
    <message>
        <source>%1: not a good S-record file</source>
        <translation>%1: 正常なS-recordファイルではありません</translation>
    </message>
    <message>
        <source>%1: good S-record file (header &quot;%2&quot;)</source>
        <translation>%1: 正常なS-recordファイル（ヘッダー「%2」）</translation>
    </message>
    <message>
        <source>%1: good S-record file</source>
        <translation>%1: 正常なS-recordファイル</translation>
    </message>
    <message>
        <source>The firmware package is intact.</source>
        <translation>ファームウェアパッケージは正常です。</translation>
    </message>
    <message>
        <source>The firmware package is damaged: reinstall the program.</source>
        <translation>ファームウェアパッケージが破損しています：プログラムを再インストールしてください。</translation>
    </message>
    <message>
        <source>No printer found.</source>
        <translation>プリンターが見つかりません。</translation>
    </message>
    <message>
        <source>Nothing was heard from the printer for %1 minutes. Check it and its cable, then run the update again.</source>
        <translation>プリンターから%1分間応答がありませんでした。プリンターとケーブルを確認してから、もう一度更新を実行してください。</translation>
    </message>
    <message>
        <source>The printer is gone</source>
        <translation>プリンターが切断されました</translation>
    </message>
    <message>
        <source>The printer left the USB bus before its turn came.</source>
        <translation>プリンターは、順番が来る前にUSBバスから切断されました。</translation>
    </message>
    <message>
        <source>The printer was not updated</source>
        <translation>プリンターは更新されませんでした</translation>
    </message>
    <message>
        <source>%1: %2, firmware %3</source>
        <translation>%1: %2、ファームウェア%3</translation>
    </message>
    <message>
        <source>%1: the printer left the USB bus (restarting)</source>
        <translation>%1: プリンターがUSBバスから切断されました（再起動中）</translation>
    </message>
    <message>
        <source>%1: the printer is back</source>
        <translation>%1: プリンターが復帰しました</translation>
    </message>
    <message>
        <source>Another running printer-flasher is updating this printer. Let it finish, then try again.</source>
        <translation>実行中の別のprinter-flasherがこのプリンターを更新しています。完了するのを待ってから、もう一度お試しください。</translation>
    </message>
    <message>
        <source>No USB serial-number switch</source>
        <translation>USBシリアル番号を切り替えられません</translation>
    </message>
    <message>
        <source>This printer cannot switch its USB serial-number report.</source>
        <translation>このプリンターは、USBシリアル番号の通知を切り替えることができません。</translation>
    </message>
    <message>
        <source>Nothing to switch</source>
        <translation>切り替えは不要です</translation>
    </message>
    <message>
        <source>The USB serial-number report is already %1.</source>
        <translation>USBシリアル番号の通知はすでに「%1」です。</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report on?</source>
        <translation>USBシリアル番号の通知をオンにしますか？</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report off?</source>
        <translation>USBシリアル番号の通知をオフにしますか？</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device after its next power cycle; the print queues of its model are removed.</source>
        <translation>次に電源を入れ直した後、このプリンターは印刷システムから新しいデバイスとして認識されます。この機種の印刷キューは削除されます。</translation>
    </message>
    <message>
        <source>Switch On</source>
        <translation>オンにする</translation>
    </message>
    <message>
        <source>Switch Off</source>
        <translation>オフにする</translation>
    </message>
    <message>
        <source>USB serial-number report switched</source>
        <translation>USBシリアル番号の通知を切り替えました</translation>
    </message>
    <message>
        <source>Power-cycle the printer to complete the change.</source>
        <translation>変更を完了するには、プリンターの電源を入れ直してください。</translation>
    </message>
    <message>
        <source>The switch was not changed</source>
        <translation>設定は変更されませんでした</translation>
    </message>
    <message>
        <source>The printer did not take the switch.</source>
        <translation>プリンターが切り替えを受け付けませんでした。</translation>
    </message>
    <message>
        <source>Run this on a terminal to answer it, or pass --yes to accept the warning and the confirmation.</source>
        <translation>応答するにはターミナルで実行するか、--yesを指定して警告と確認を承諾してください。</translation>
    </message>
    <message>
        <source>The question could not be asked: there is no terminal to answer it on.</source>
        <translation>質問できませんでした：応答するためのターミナルがありません。</translation>
    </message>
    <message>
        <source>The operator answered &quot;%1&quot;.</source>
        <translation>回答は「%1」でした。</translation>
    </message>
    <message>
        <source>%1; update progress %2</source>
        <translation>%1、更新の進捗%2</translation>
    </message>
    <message>
        <source>The supported printers on the USB bus, one per row. Each row tells the printer, its status, its firmware and the progress of its update.</source>
        <translation>USBバスに接続された対応プリンターの一覧です（1行に1台）。各行にはプリンター、状態、ファームウェア、更新の進捗が示されます。</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新の進捗</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1: cannot ask this question: there is no terminal to answer it on.</source>
        <translation>%1: この質問はできません。応答するためのターミナルがありません。</translation>
    </message>
    <message>
        <source>(not available)</source>
        <translation>（選択できません）</translation>
    </message>
    <message>
        <source>Choose 1-%1 [1]:</source>
        <translation>1～%1を選択 [1]:</translation>
    </message>
    <message>
        <source>%1: no answer (end of input).</source>
        <translation>%1: 応答がありません（入力の終わり）。</translation>
    </message>
    <message>
        <source>Please choose one of the available answers.</source>
        <translation>選択できる回答から選んでください。</translation>
    </message>
    <message>
        <source>Capture:</source>
        <translation>キャプチャ:</translation>
    </message>
    <message>
        <source>The capture and this run diverged</source>
        <translation>キャプチャとこの実行が一致しません</translation>
    </message>
</context>
<context>
    <name>TBUSBPrinterZEV</name>
    <message>
        <source>Internal error L%1</source>
        <translation>内部エラーL%1</translation>
    </message>
    <message>
        <source>Communication error</source>
        <translation>通信エラー</translation>
    </message>
</context>
</TS>
