<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>BrevanQt</name>
    <message>
        <source>%1 %2 generated successfully!
Compiling...</source>
        <translation>%1 %2產生成功！
💡 準備自動編譯...</translation>
    </message>
    <message>
        <source>About</source>
        <translation>關於</translation>
    </message>
    <message>
        <source>About TavrinAI</source>
        <translation>關於 TavrinAI</translation>
    </message>
    <message>
        <source>Cannot start compiler!</source>
        <translation>無法啟動編譯器！</translation>
    </message>
    <message>
        <source>Cannot write file: %1</source>
        <translation>無法寫入檔案：%1</translation>
    </message>
    <message>
        <source>Code saved to: %1</source>
        <translation>程式碼已儲存至檔案：%1</translation>
    </message>
    <message>
        <source>Contact: %1</source>
        <translation>聯絡方式：%1</translation>
    </message>
    <message>
        <source>Copyright © 2026 TavrinAI. All rights reserved.</source>
        <translation>版權所有 © 2026 TavrinAI。保留所有權利。</translation>
    </message>
    <message>
        <source>Creating new %1 %2 chat...</source>
        <translation>正在建立新的%1 %2聊天...</translation>
    </message>
    <message>
        <source>Current version: %1&lt;br&gt;Minimum required: %2&lt;br&gt;&lt;br&gt;Please download the latest version.</source>
        <translation>目前版本：%1&lt;br&gt;最低要求：%2&lt;br&gt;&lt;br&gt;請下載最新版本。</translation>
    </message>
    <message>
        <source>EA</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>Failed to create session: %1</source>
        <translation>新建會話失敗：%1</translation>
    </message>
    <message>
        <source>Generating code...</source>
        <translation>正在產生程式碼...</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>說明</translation>
    </message>
    <message>
        <source>Indicator</source>
        <translation>指標</translation>
    </message>
    <message>
        <source>Invalid platform path!</source>
        <translation>平台路徑無效，請檢查輸入！</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>語言</translation>
    </message>
    <message>
        <source>Name cannot be empty!</source>
        <translation>請輸入指標或者EA名稱，名稱不能為空！</translation>
    </message>
    <message>
        <source>Platform path verified!</source>
        <translation>平台路徑驗證成功！</translation>
    </message>
    <message>
        <source>Please enter your request!</source>
        <translation>請輸入需求！</translation>
    </message>
    <message>
        <source>Request failed: %1</source>
        <translation>請求失敗：%1</translation>
    </message>
    <message>
        <source>Select MT4 data directory</source>
        <translation>選擇MT4資料目錄</translation>
    </message>
    <message>
        <source>Select MT4 installation directory</source>
        <translation>選擇MT4安裝目錄</translation>
    </message>
    <message>
        <source>Select MT5 data directory</source>
        <translation>選擇MT5資料目錄</translation>
    </message>
    <message>
        <source>Select MT5 installation directory</source>
        <translation>選擇MT5安裝目錄</translation>
    </message>
    <message>
        <source>TavrinAI</source>
        <translation>TavrinAI</translation>
    </message>
    <message>
        <source>Version Too Low</source>
        <translation>版本過低</translation>
    </message>
    <message>
        <source>Version: %1</source>
        <translation>版本：%1</translation>
    </message>
    <message>
        <source>Website:</source>
        <translation>網站：</translation>
    </message>
    <message>
        <source>Save conversation…</source>
        <translation>儲存對話…</translation>
    </message>
    <message>
        <source>indicators</source>
        <translation>指標</translation>
    </message>
    <message>
        <source>EAs</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>This chat writes %1 %2. Press New Chat to start a chat for %3 %4.</source>
        <translation>此對話撰寫的是 %1 %2。請按「新建對話」，開始一個撰寫 %3 %4 的對話。</translation>
    </message>
    <message>
        <source>The compiler finished but left no log.</source>
        <translation>編譯器已執行結束，但沒有留下日誌。</translation>
    </message>
    <message>
        <source>Ask to fix these errors</source>
        <translation>請求修正這些錯誤</translation>
    </message>
    <message>
        <source>The program does not compile. Please fix these errors:</source>
        <translation>程式無法編譯，請修正以下錯誤：</translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation>無法開啟 %1</translation>
    </message>
    <message>
        <source>Save conversation</source>
        <translation>儲存對話</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>文字檔 (*.txt)</translation>
    </message>
    <message>
        <source>You</source>
        <translation>你</translation>
    </message>
    <message>
        <source>Cannot save the conversation: %1</source>
        <translation>無法儲存對話：%1</translation>
    </message>
</context>
<context>
    <name>BrevanQtClass</name>
    <message>
        <source>Auto detect</source>
        <translation>自動查找</translation>
    </message>
    <message>
        <source>Data path:</source>
        <translation>資料路徑：</translation>
    </message>
    <message>
        <source>Enter indicator or EA name</source>
        <translation>請輸入指標或者EA的名字</translation>
    </message>
    <message>
        <source>Indicator or EA name:</source>
        <translation>指標或者EA名稱：</translation>
    </message>
    <message>
        <source>Installation path:</source>
        <translation>安裝路徑：</translation>
    </message>
    <message>
        <source>New Chat</source>
        <translation>新建對話</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>發送</translation>
    </message>
</context>
<context>
    <name>CompilerRun</name>
    <message>
        <source>Cannot compile through Wine: &quot;%1&quot; holds the character %2, which cannot be passed to the compiler. Please choose a name without it.</source>
        <translation>無法透過 Wine 編譯：「%1」含有字元 %2，該字元無法傳給編譯器。請換一個不含該字元的名稱。</translation>
    </message>
    <message>
        <source>Cannot start compiler: %1 is a Windows program and needs Wine, but &quot;%2&quot; was not found. Install Wine (Debian, Ubuntu: sudo apt install wine wine64) or set TAVRIN_WINE to the Wine program to use.</source>
        <translation>無法啟動編譯器：%1 是 Windows 程式，需要 Wine，但找不到「%2」。請安裝 Wine（Debian、Ubuntu：sudo apt install wine wine64），或將 TAVRIN_WINE 設定為要使用的 Wine 程式。</translation>
    </message>
    <message>
        <source>Cannot start compiler: %1 is a 32-bit Windows program, and this Wine runs only 64-bit ones. Add 32-bit Wine: sudo dpkg --add-architecture i386 &amp;&amp; sudo apt update &amp;&amp; sudo apt install wine32:i386</source>
        <translation>無法啟動編譯器：%1 是 32 位元 Windows 程式，而此 Wine 只能執行 64 位元程式。請加裝 32 位元 Wine：sudo dpkg --add-architecture i386 &amp;&amp; sudo apt update &amp;&amp; sudo apt install wine32:i386</translation>
    </message>
    <message>
        <source>The compiler did not finish within %1 seconds and was stopped.</source>
        <translation>編譯器未在 %1 秒內完成，已被終止。</translation>
    </message>
</context>
<context>
    <name>RiskWarnings</name>
    <message>
        <source>Loads the DLL &quot;%1&quot;, which runs outside MetaTrader&apos;s control with all the rights of your Windows account</source>
        <translation>載入 DLL「%1」：它在 MetaTrader 的控制之外執行，擁有您 Windows 帳戶的全部權限</translation>
    </message>
    <message>
        <source>Calls %1, which sends data over the internet</source>
        <translation>呼叫 %1，會透過網際網路傳送資料</translation>
    </message>
    <message>
        <source>Reads account data (%1) in a program that sends data over the internet: your account&apos;s details may leave this computer (heuristic)</source>
        <translation>讀取帳戶資料（%1），而程式會透過網際網路傳送資料：您的帳戶資訊可能被傳送出去（啟發式判斷）</translation>
    </message>
    <message>
        <source>Opens files with %1, in the folder all terminals share, outside this terminal&apos;s own sandbox</source>
        <translation>使用 %1 開啟檔案，檔案位於所有終端共用的資料夾，超出本終端自己的沙盒</translation>
    </message>
    <message>
        <source>%1 opens a trade without a stop loss, and none is set afterwards: its loss has no limit (heuristic)</source>
        <translation>%1 開倉時沒有停損，之後也沒有設定停損：虧損沒有上限（啟發式判斷）</translation>
    </message>
    <message>
        <source>Multiplies the lot (%1) after a losing trade, a martingale: losses grow geometrically (heuristic)</source>
        <translation>虧損後放大手數（%1），即馬丁格爾策略：虧損按幾何級數成長（啟發式判斷）</translation>
    </message>
    <message>
        <source>The lot given to %1 is computed at run time and never limited by the symbol&apos;s maximum volume or a fixed cap (heuristic)</source>
        <translation>傳給 %1 的手數在執行時計算，且從未受商品最大交易量或固定上限的限制（啟發式判斷）</translation>
    </message>
    <message>
        <source>%1 runs from OnTick without looking at open positions, a new bar or the time: it may send an order on every tick (heuristic)</source>
        <translation>%1 從 OnTick 執行，卻不檢查持倉、新K線或時間：可能每個報價都下一單（啟發式判斷）</translation>
    </message>
    <message>
        <source>The result of %1 is never checked: a refused or failed order goes unnoticed</source>
        <translation>從不檢查 %1 的結果：被拒絕或失敗的訂單不會被發現</translation>
    </message>
    <message>
        <source>This %1 loop has no break, return or IsStopped() check: it never ends and freezes the terminal</source>
        <translation>此 %1 迴圈沒有 break、return 或 IsStopped() 檢查：它永不結束，會使終端卡死</translation>
    </message>
</context>
</TS>
