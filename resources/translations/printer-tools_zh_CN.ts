<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>TBPrinters</name>
    <message>
        <source>No permission: install the udev rule</source>
        <translation>无权限：请安装 udev 规则</translation>
    </message>
    <message>
        <source>In use by other application</source>
        <translation>被其他应用程序占用</translation>
    </message>
    <message>
        <source>Not Responding</source>
        <translation>无响应</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>不可用</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>已启用</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>已禁用</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>This update tool is for the ZEV QXA printer. It will upgrade the printer firmware to version %1.

Once updated, the QXA printer will REQUIRE the use of QXAHS media packs. Please use up all QXA media before using this update tool. This process cannot be undone.</source>
        <translation>此更新工具适用于 ZEV QXA 打印机，会将打印机固件更新到版本 %1。

更新后，QXA 打印机将只能使用 QXAHS 耗材包。使用此更新工具前，请先用完所有 QXA 耗材。此操作无法撤销。</translation>
    </message>
    <message>
        <source>This update tool will upgrade the printer firmware to version %1. This process cannot be undone</source>
        <translation>此更新工具会将打印机固件更新到版本 %1。此操作无法撤销。</translation>
    </message>
    <message>
        <source>-- Warning --

Are you certain you want to update the firmware?</source>
        <translation>-- 警告 --

确定要更新固件吗？</translation>
    </message>
    <message>
        <source>The printer may be permanently damaged if it is unplugged or loses power during the update process.</source>
        <translation>如果在更新过程中拔下打印机线缆或打印机断电，可能会对打印机造成永久性损坏。</translation>
    </message>
    <message>
        <source>I Agree</source>
        <translation>我同意</translation>
    </message>
    <message>
        <source>Attention:</source>
        <translation>注意：</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>The Selected Printer is Unavailable. (Busy)</source>
        <translation>所选打印机不可用。（被占用）</translation>
    </message>
    <message>
        <source>Please power-cycle the selected printer now to complete the process!</source>
        <translation>请立即关闭所选打印机的电源再重新打开，以完成此操作！</translation>
    </message>
    <message>
        <source>Old print queues could not be removed</source>
        <translation>无法删除旧的打印队列</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device. These print queues for it could not be removed:

%1

Remove them in the printer settings, or ask your administrator to remove them.</source>
        <translation>打印系统会将此打印机识别为新设备。无法删除它的以下打印队列：

%1

请在打印机设置中删除这些队列，或请管理员删除。</translation>
    </message>
    <message>
        <source>Checking firmware ...</source>
        <translation>正在检查固件...</translation>
    </message>
    <message>
        <source>A printer was unexpectedly found in firmware update mode. Would you like to update the firmware? </source>
        <translation>意外发现一台处于固件更新模式的打印机。是否要更新固件？ </translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>忽略</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>更新固件</translation>
    </message>
    <message>
        <source>Please power-cycle this printer</source>
        <translation>请关闭此打印机的电源再重新打开</translation>
    </message>
    <message>
        <source>Contact customer support if power-cycling does not resolve the issue.</source>
        <translation>如果关闭再打开电源后问题仍未解决，请联系客户支持。</translation>
    </message>
    <message>
        <source>Being updated by another program</source>
        <translation>正由其他程序更新</translation>
    </message>
    <message>
        <source>Firmware version updated to %1</source>
        <translation>固件版本已更新为 %1</translation>
    </message>
    <message>
        <source>Firmware version updated from %1 to %2</source>
        <translation>固件版本已从 %1 更新为 %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Current firmware version: %1</source>
        <translation>当前固件版本：%1</translation>
    </message>
    <message>
        <source>Previous firmware version: %1 current version: %2</source>
        <translation>原固件版本：%1，当前版本：%2</translation>
    </message>
    <message>
        <source>There was a problem with the firmware update!</source>
        <translation>固件更新出现问题！</translation>
    </message>
    <message>
        <source>Firmware update not needed</source>
        <translation>无需更新固件</translation>
    </message>
    <message>
        <source>This printer has firmware version %1 installed.</source>
        <translation>此打印机已安装固件版本 %1。</translation>
    </message>
    <message>
        <source>Printer Not Ready</source>
        <translation>打印机未就绪</translation>
    </message>
    <message>
        <source>Please correct the following issue: %1</source>
        <translation>请解决以下问题：%1</translation>
    </message>
    <message>
        <source>Proceed</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Printer Busy</source>
        <translation>打印机被占用</translation>
    </message>
    <message>
        <source>Another application is using the printer. Please proceed when the printer becomes available.</source>
        <translation>其他应用程序正在使用此打印机。请等打印机可用后再继续。</translation>
    </message>
    <message>
        <source>Update Firmware to %1</source>
        <translation>将固件更新到 %1</translation>
    </message>
    <message>
        <source>Updating firmware ...</source>
        <translation>正在更新固件...</translation>
    </message>
    <message>
        <source>Writing firmware ...</source>
        <translation>正在写入固件...</translation>
    </message>
    <message>
        <source>The firmware could not be sent to the printer</source>
        <translation>无法将固件发送到打印机</translation>
    </message>
    <message>
        <source>The printer stays in firmware update mode until it receives the firmware. Check the USB cable and choose Update Firmware… to send it again. A printer that was unplugged gets the firmware again when it is plugged back in.</source>
        <translation>打印机在收到固件之前会一直处于固件更新模式。请检查 USB 线缆，然后选择“更新固件…”重新发送。已拔下的打印机在重新插上后会再次收到固件。</translation>
    </message>
    <message>
        <source>There is a problem with the firmware files.</source>
        <translation>固件文件有问题。</translation>
    </message>
    <message>
        <source>The printer could not be opened.</source>
        <translation>无法连接到打印机。</translation>
    </message>
    <message>
        <source>The color tables could not be written</source>
        <translation>无法写入颜色表</translation>
    </message>
    <message>
        <source>The printer has its new firmware. Unplug it and plug it in again to write the color tables.</source>
        <translation>打印机已装上新固件。请拔下打印机的线缆再重新插上，以写入颜色表。</translation>
    </message>
    <message>
        <source>Updating color tables ...</source>
        <translation>正在更新颜色表...</translation>
    </message>
    <message>
        <source>The printer stopped taking them.</source>
        <translation>打印机中途停止接收颜色表。</translation>
    </message>
    <message>
        <source>Firmware update was successful!</source>
        <translation>固件更新成功！</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>-- File corruption --

There is a problem with the firmware files.</source>
        <translation>-- 文件损坏 --

固件文件有问题。</translation>
    </message>
    <message>
        <source>Contact customer support.</source>
        <translation>请联系客户支持。</translation>
    </message>
    <message>
        <source>There was a problem with the firmware file!</source>
        <translation>固件文件有问题！</translation>
    </message>
    <message>
        <source>This application may be damaged. Please download a new copy.</source>
        <translation>此应用程序可能已损坏。请重新下载一份。</translation>
    </message>
    <message>
        <source>The update history %1 is locked by another program. Updates are recorded as soon as it is free again.</source>
        <translation>更新历史“%1”已被其他程序锁定。解除锁定后将立即记录更新。</translation>
    </message>
    <message>
        <source>The update history %1 cannot be used: %2</source>
        <translation>无法使用更新历史“%1”：%2</translation>
    </message>
    <message>
        <source>The update history %1 could not be read (%2). It was set aside as %3 and a new one started.</source>
        <translation>无法读取更新历史“%1”（%2）。已将其重命名为“%3”，并新建了一份更新历史。</translation>
    </message>
    <message>
        <source>No update history is kept.</source>
        <translation>不会记录更新历史。</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>尚无更新记录。</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>固件:</translation>
    </message>
    <message>
        <source>Colour tables:</source>
        <translation>颜色表:</translation>
    </message>
    <message>
        <source>Update history</source>
        <translation>更新历史</translation>
    </message>
    <message>
        <source>The record of firmware updates under way could not be read</source>
        <translation>无法读取正在进行的固件更新记录</translation>
    </message>
    <message>
        <source>It was set aside as %1.</source>
        <translation>已将其重命名为“%1”。</translation>
    </message>
    <message>
        <source>An update that was interrupted when this program last ended cannot be carried on by itself. A printer found in firmware update mode can still be updated from here.</source>
        <translation>上次退出本程序时中断的更新无法自动继续。处于固件更新模式的打印机仍可在此处更新。</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation>从 %1 到 %2</translation>
    </message>
    <message>
        <source>being updated by another program</source>
        <translation>正由其他程序更新</translation>
    </message>
    <message>
        <source>This update tool will upgrade the firmware of these printers to versions %1. This process cannot be undone</source>
        <translation>此更新工具会将这些打印机的固件更新到版本 %1。此操作无法撤销。</translation>
    </message>
    <message>
        <source>it left the USB bus</source>
        <translation>已从 USB 总线断开</translation>
    </message>
    <message>
        <source>no update needed (firmware %1 installed)</source>
        <translation>无需更新（已安装固件 %1）</translation>
    </message>
    <message>
        <source>the firmware files are damaged</source>
        <translation>固件文件已损坏</translation>
    </message>
    <message>
        <source>busy: another application is using it</source>
        <translation>被占用：其他应用程序正在使用</translation>
    </message>
    <message>
        <source>not responding</source>
        <translation>无响应</translation>
    </message>
    <message>
        <source>not ready: %1</source>
        <translation>未就绪：%1</translation>
    </message>
    <message>
        <source>its update is already under way</source>
        <translation>已在更新中</translation>
    </message>
    <message>
        <source>These printers will be updated:</source>
        <translation>将更新以下打印机：</translation>
    </message>
    <message>
        <source>These printers will not be updated:</source>
        <translation>不会更新以下打印机：</translation>
    </message>
    <message>
        <source>Update %1 Printers</source>
        <translation>更新 %1 台打印机</translation>
    </message>
    <message>
        <source>%1 of %2 printers updated</source>
        <translation>已更新 %1 台打印机（共 %2 台）</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>Updated:</source>
        <translation>已更新：</translation>
    </message>
    <message>
        <source>Failed:</source>
        <translation>失败：</translation>
    </message>
    <message>
        <source>Not updated:</source>
        <translation>未更新：</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>正在更新</translation>
    </message>
    <message>
        <source>The printer did not come back</source>
        <translation>打印机未恢复连接</translation>
    </message>
    <message>
        <source>The printer left the USB bus to restart during its firmware update and has not come back within %1 minutes. Check that it is switched on and that its USB cable is plugged in. Once it is back, the update carries on by itself; if it does not, power-cycle the printer.</source>
        <translation>打印机在固件更新期间为重启而从 USB 总线断开，%1 分钟内未恢复连接。请检查打印机是否已开机，以及 USB 线缆是否已插好。打印机恢复连接后，更新会自动继续；如果没有继续，请关闭打印机电源再重新打开。</translation>
    </message>
    <message>
        <source>Printer Error</source>
        <translation>打印机错误</translation>
    </message>
    <message>
        <source>The printer is not responding properly. Please power-cycle the printer and try again.</source>
        <translation>打印机响应异常。请关闭打印机电源再重新打开，然后重试。</translation>
    </message>
    <message>
        <source>Firmware Update Mode</source>
        <translation>固件更新模式</translation>
    </message>
    <message>
        <source>Unknown Status</source>
        <translation>未知状态</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>空闲</translation>
    </message>
    <message>
        <source>Printing</source>
        <translation>正在打印</translation>
    </message>
    <message>
        <source>Head cool down cycle</source>
        <translation>打印头冷却中</translation>
    </message>
    <message>
        <source>Motor cool down cycle</source>
        <translation>电机冷却中</translation>
    </message>
    <message>
        <source>Sleeping (standby mode)</source>
        <translation>休眠（待机模式）</translation>
    </message>
    <message>
        <source>Cover Open</source>
        <translation>机盖打开</translation>
    </message>
    <message>
        <source>Scrap Box Missing</source>
        <translation>未安装废纸盒</translation>
    </message>
    <message>
        <source>Paper End</source>
        <translation>缺纸</translation>
    </message>
    <message>
        <source>Ribbon End</source>
        <translation>色带用完</translation>
    </message>
    <message>
        <source>Paper Jam</source>
        <translation>卡纸</translation>
    </message>
    <message>
        <source>Ribbon Error</source>
        <translation>色带错误</translation>
    </message>
    <message>
        <source>Wrong Paper</source>
        <translation>纸张不符</translation>
    </message>
    <message>
        <source>Bad Data</source>
        <translation>数据错误</translation>
    </message>
    <message>
        <source>Head Voltage Error</source>
        <translation>打印头电压错误</translation>
    </message>
    <message>
        <source>Head Position Error</source>
        <translation>打印头位置错误</translation>
    </message>
    <message>
        <source>Power supply Error</source>
        <translation>电源错误</translation>
    </message>
    <message>
        <source>Cutter Error</source>
        <translation>切刀错误</translation>
    </message>
    <message>
        <source>Pinch Roller Error</source>
        <translation>压纸辊错误</translation>
    </message>
    <message>
        <source>Head Temp High Error</source>
        <translation>打印头温度过高</translation>
    </message>
    <message>
        <source>Media Temp Error</source>
        <translation>介质温度错误</translation>
    </message>
    <message>
        <source>Motor Temp Error</source>
        <translation>电机温度错误</translation>
    </message>
    <message>
        <source>Ribbon Tension Error</source>
        <translation>色带张力错误</translation>
    </message>
    <message>
        <source>RFID Module Error</source>
        <translation>RFID 模块错误</translation>
    </message>
    <message>
        <source>System Fail Error</source>
        <translation>系统故障</translation>
    </message>
    <message>
        <source>USB Available</source>
        <translation>USB 可用</translation>
    </message>
    <message>
        <source>USB Open</source>
        <translation>USB 已连接</translation>
    </message>
    <message>
        <source>Waiting for USB</source>
        <translation>等待 USB</translation>
    </message>
    <message>
        <source>USB Busy</source>
        <translation>USB 被占用</translation>
    </message>
    <message>
        <source>%1 at port %2</source>
        <translation>%1（端口 %2）</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>Not needed</source>
        <translation>无需更新</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>失联</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>已中断</translation>
    </message>
    <message>
        <source>Under way</source>
        <translation>进行中</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>请求</translation>
    </message>
    <message>
        <source>Restart into update mode</source>
        <translation>重启进入更新模式</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>上传</translation>
    </message>
    <message>
        <source>Programming and restart</source>
        <translation>写入并重启</translation>
    </message>
    <message>
        <source>Colour tables</source>
        <translation>颜色表</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>打印机</translation>
    </message>
    <message>
        <source>Device Key</source>
        <translation>设备标识</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>固件</translation>
    </message>
    <message>
        <source>Colour Tables</source>
        <translation>颜色表</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>失败原因</translation>
    </message>
    <message>
        <source>Update History</source>
        <translation>更新历史</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>导出…</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>导出历史记录</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>已保存到“%1”</translation>
    </message>
    <message>
        <source>The history could not be saved to “%1”.</source>
        <translation>无法将历史记录保存到“%1”。</translation>
    </message>
    <message>
        <source>The update history could not be used as it was</source>
        <translation>无法按原样使用更新历史</translation>
    </message>
    <message>
        <source>USB Status</source>
        <translation>USB 状态</translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation>打印机状态</translation>
    </message>
    <message>
        <source>Package Firmware</source>
        <translation>随附固件</translation>
    </message>
    <message>
        <source>Lifetime Counter</source>
        <translation>累计计数</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>USB Serial Number</source>
        <translation>USB 序列号</translation>
    </message>
    <message>
        <source>Colour Tables (Version / Checksum)</source>
        <translation>颜色表（版本 / 校验和）</translation>
    </message>
    <message>
        <source>Colour table %1: version %2, checksum %3</source>
        <translation>颜色表 %1：版本 %2，校验和 %3</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>打印机列表</translation>
    </message>
    <message>
        <source>&amp;Printer</source>
        <translation>打印机(&amp;P)</translation>
    </message>
    <message>
        <source>Update Firmware…</source>
        <translation>更新固件…</translation>
    </message>
    <message>
        <source>Update the selected printer&apos;s firmware and colour tables</source>
        <translation>更新所选打印机的固件和颜色表</translation>
    </message>
    <message>
        <source>Update All Printers…</source>
        <translation>更新所有打印机…</translation>
    </message>
    <message>
        <source>Update the firmware and colour tables of every listed printer at the same time</source>
        <translation>同时更新列表中所有打印机的固件和颜色表</translation>
    </message>
    <message>
        <source>Read the selected printer&apos;s information again</source>
        <translation>重新读取所选打印机的信息</translation>
    </message>
    <message>
        <source>History…</source>
        <translation>历史记录…</translation>
    </message>
    <message>
        <source>Show the firmware updates made on this computer and export them for support</source>
        <translation>显示在此计算机上进行过的固件更新，并可导出提供给技术支持</translation>
    </message>
    <message>
        <source>%1 updates are in progress…</source>
        <translation>正在进行 %1 项更新…</translation>
    </message>
    <message>
        <source>An update is in progress…</source>
        <translation>正在进行更新…</translation>
    </message>
    <message>
        <source>If you quit now, the update stops where it stands. A printer still waiting for its firmware stays in firmware update mode and cannot print until the firmware is sent to it again; a printer that already has its new firmware keeps its old color tables.

Keep this program running until it reports the outcome.</source>
        <translation>如果现在退出，更新将在当前进度处停止。仍在等待固件的打印机会停留在固件更新模式，在重新发送固件之前无法打印；已装上新固件的打印机将保留旧的颜色表。

请保持本程序运行，直到它报告结果。</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>继续运行</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>仍然退出</translation>
    </message>
    <message>
        <source>No simulated printer</source>
        <translation>无模拟打印机</translation>
    </message>
    <message>
        <source>&amp;Simulation</source>
        <translation>模拟(&amp;S)</translation>
    </message>
    <message>
        <source>Plug in or unplug simulated printers, or make one misbehave</source>
        <translation>插入或拔出模拟打印机，或让其出现异常</translation>
    </message>
    <message>
        <source>Plug In</source>
        <translation>插入</translation>
    </message>
    <message>
        <source>Other Models (Ignored by This Program)</source>
        <translation>其他型号（本程序忽略）</translation>
    </message>
    <message>
        <source>%1 printer</source>
        <translation>%1 打印机</translation>
    </message>
    <message>
        <source>In Firmware Update Mode</source>
        <translation>处于固件更新模式</translation>
    </message>
    <message>
        <source>Unplug</source>
        <translation>拔出</translation>
    </message>
    <message>
        <source>Power Cycle</source>
        <translation>断电重启</translation>
    </message>
    <message>
        <source>Paper End Error</source>
        <translation>缺纸错误</translation>
    </message>
    <message>
        <source>Held by Another Program</source>
        <translation>被其他程序占用</translation>
    </message>
    <message>
        <source>%1: not a good S-record file</source>
        <translation>%1: 不是有效的 S-record 文件</translation>
    </message>
    <message>
        <source>%1: good S-record file (header &quot;%2&quot;)</source>
        <translation>%1: 有效的 S-record 文件（文件头“%2”）</translation>
    </message>
    <message>
        <source>%1: good S-record file</source>
        <translation>%1: 有效的 S-record 文件</translation>
    </message>
    <message>
        <source>The firmware package is intact.</source>
        <translation>固件包完好。</translation>
    </message>
    <message>
        <source>The firmware package is damaged: reinstall the program.</source>
        <translation>固件包已损坏：请重新安装本程序。</translation>
    </message>
    <message>
        <source>No printer found.</source>
        <translation>未找到打印机。</translation>
    </message>
    <message>
        <source>Nothing was heard from the printer for %1 minutes. Check it and its cable, then run the update again.</source>
        <translation>%1 分钟内未收到打印机的任何响应。请检查打印机及其线缆，然后重新运行更新。</translation>
    </message>
    <message>
        <source>The printer is gone</source>
        <translation>打印机已断开</translation>
    </message>
    <message>
        <source>The printer left the USB bus before its turn came.</source>
        <translation>打印机在轮到它之前已从 USB 总线断开。</translation>
    </message>
    <message>
        <source>The printer was not updated</source>
        <translation>打印机未更新</translation>
    </message>
    <message>
        <source>%1: %2, firmware %3</source>
        <translation>%1: %2，固件 %3</translation>
    </message>
    <message>
        <source>%1: the printer left the USB bus (restarting)</source>
        <translation>%1: 打印机已从 USB 总线断开（正在重启）</translation>
    </message>
    <message>
        <source>%1: the printer is back</source>
        <translation>%1: 打印机已恢复连接</translation>
    </message>
    <message>
        <source>Another running printer-flasher is updating this printer. Let it finish, then try again.</source>
        <translation>另一个正在运行的 printer-flasher 正在更新此打印机。请等待其完成后再试。</translation>
    </message>
    <message>
        <source>No USB serial-number switch</source>
        <translation>无 USB 序列号开关</translation>
    </message>
    <message>
        <source>This printer cannot switch its USB serial-number report.</source>
        <translation>此打印机无法切换 USB 序列号上报。</translation>
    </message>
    <message>
        <source>Nothing to switch</source>
        <translation>无需切换</translation>
    </message>
    <message>
        <source>The USB serial-number report is already %1.</source>
        <translation>USB 序列号上报已处于“%1”状态。</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report on?</source>
        <translation>要开启 USB 序列号上报吗？</translation>
    </message>
    <message>
        <source>Switch the USB serial-number report off?</source>
        <translation>要关闭 USB 序列号上报吗？</translation>
    </message>
    <message>
        <source>The printer will appear to the print system as a new device after its next power cycle; the print queues of its model are removed.</source>
        <translation>下次关闭再打开电源后，打印系统会将此打印机识别为新设备；该型号的打印队列将被删除。</translation>
    </message>
    <message>
        <source>Switch On</source>
        <translation>开启</translation>
    </message>
    <message>
        <source>Switch Off</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>USB serial-number report switched</source>
        <translation>USB 序列号上报已切换</translation>
    </message>
    <message>
        <source>Power-cycle the printer to complete the change.</source>
        <translation>请关闭打印机电源再重新打开，以完成更改。</translation>
    </message>
    <message>
        <source>The switch was not changed</source>
        <translation>设置未更改</translation>
    </message>
    <message>
        <source>The printer did not take the switch.</source>
        <translation>打印机未接受切换。</translation>
    </message>
    <message>
        <source>Run this on a terminal to answer it, or pass --yes to accept the warning and the confirmation.</source>
        <translation>请在终端中运行以进行回答，或传入 --yes 以接受警告和确认。</translation>
    </message>
    <message>
        <source>The question could not be asked: there is no terminal to answer it on.</source>
        <translation>无法提问：没有可用于回答的终端。</translation>
    </message>
    <message>
        <source>The operator answered &quot;%1&quot;.</source>
        <translation>回答为“%1”。</translation>
    </message>
    <message>
        <source>%1; update progress %2</source>
        <translation>%1；更新进度 %2</translation>
    </message>
    <message>
        <source>The supported printers on the USB bus, one per row. Each row tells the printer, its status, its firmware and the progress of its update.</source>
        <translation>USB 总线上受支持的打印机，每行一台。每行显示打印机、其状态、固件以及更新进度。</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新进度</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>%1: cannot ask this question: there is no terminal to answer it on.</source>
        <translation>%1: 无法提出此问题：没有可用于回答的终端。</translation>
    </message>
    <message>
        <source>(not available)</source>
        <translation>（不可用）</translation>
    </message>
    <message>
        <source>Choose 1-%1 [1]:</source>
        <translation>请选择 1-%1 [1]：</translation>
    </message>
    <message>
        <source>%1: no answer (end of input).</source>
        <translation>%1: 没有回答（输入已结束）。</translation>
    </message>
    <message>
        <source>Please choose one of the available answers.</source>
        <translation>请从可用的回答中选择一个。</translation>
    </message>
    <message>
        <source>Capture:</source>
        <translation>抓包文件:</translation>
    </message>
    <message>
        <source>The capture and this run diverged</source>
        <translation>捕获与本次运行不一致</translation>
    </message>
</context>
<context>
    <name>TBUSBPrinterZEV</name>
    <message>
        <source>Internal error L%1</source>
        <translation>内部错误 L%1</translation>
    </message>
    <message>
        <source>Communication error</source>
        <translation>通信错误</translation>
    </message>
</context>
</TS>
