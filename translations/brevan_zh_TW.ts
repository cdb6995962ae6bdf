<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>BrevanQt</name>
    <message>
        <source>About</source>
        <translation>關於</translation>
    </message>
    <message>
        <source>About TavrinAI</source>
        <translation>關於 TavrinAI</translation>
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
        <source>EA</source>
        <translation>EA</translation>
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
        <source>Language</source>
        <translation>語言</translation>
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
        <source>Cannot save the conversation: %1</source>
        <translation>無法儲存對話：%1</translation>
    </message>
    <message>
        <source>Program %1</source>
        <translation>程式 %1</translation>
    </message>
    <message>
        <source>Send the request (Ctrl+Enter)</source>
        <translation>傳送需求（Ctrl+Enter）</translation>
    </message>
    <message>
        <source>The chat's request is on its way: wait for the answer, or press Stop in the chat.</source>
        <translation>本對話的請求正在處理中：請等待回覆，或在對話中點擊「停止」。</translation>
    </message>
    <message>
        <source>No %1 terminal was found on this computer. Start the terminal once (it then creates its data folder), or choose its Installation path and Data path with "...".</source>
        <translation>在這台電腦上沒有找到 %1 終端。請先啟動一次終端（它會建立自己的資料資料夾），或用「...」選擇安裝路徑和資料路徑。</translation>
    </message>
    <message>
        <source>Fix compile errors automatically</source>
        <translation>自動修復編譯錯誤</translation>
    </message>
    <message>
        <source>When the compiler reports errors, send them back to the code generator by itself, at most twice in a row (with a code generator that takes compile errors).</source>
        <translation>編譯器回報錯誤時，自動把錯誤傳回程式碼產生服務，連續最多兩次（需要支援編譯錯誤的程式碼產生服務）。</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>Code generator…</source>
        <translation>程式碼產生器…</translation>
    </message>
    <message>
        <source>No credential store answers on this computer, so the model server's API key and password were not kept: enter them again in Settings &gt; Code generator…</source>
        <translation>此電腦上沒有可用的憑證儲存區，因此模型伺服器的 API 金鑰和密碼沒有被保存：請在「設定 &gt; 程式碼產生器…」中重新輸入。</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>已複製</translation>
    </message>
    <message>
        <source>The answer to your request has not arrived yet. Start a new chat without it? Your request goes back into the request field.</source>
        <translation>您的請求尚未得到回覆。要放棄它並新建對話嗎？您的請求會回到請求輸入框中。</translation>
    </message>
    <message>
        <source>Start a new chat</source>
        <translation>新建對話</translation>
    </message>
    <message>
        <source>Keep waiting</source>
        <translation>繼續等待</translation>
    </message>
    <message>
        <source>No credential store answers on this computer: the API key and the address's password are used only until TavrinAI closes.</source>
        <translation>此電腦上沒有可用的憑證儲存區：API 金鑰和位址中的密碼只在 TavrinAI 關閉前有效。</translation>
    </message>
    <message>
        <source>You</source>
        <translation>你</translation>
    </message>
    <message>
        <source>the chat could not be read</source>
        <translation>無法讀取該對話</translation>
    </message>
    <message>
        <source>Cannot keep the chat: %1</source>
        <translation>無法保存對話記錄：%1</translation>
    </message>
    <message>
        <source>File</source>
        <translation>檔案</translation>
    </message>
    <message>
        <source>Open a program…</source>
        <translation>開啟程式…</translation>
    </message>
    <message>
        <source>Open a program</source>
        <translation>開啟程式</translation>
    </message>
    <message>
        <source>MQL programs (*.mq4 *.mq5)</source>
        <translation>MQL 程式 (*.mq4 *.mq5)</translation>
    </message>
    <message>
        <source>The code generator is not connected yet: open the program again once it is.</source>
        <translation>程式碼生成服務尚未連線：連線後請重新開啟該程式。</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>結束</translation>
    </message>
    <message>
        <source>Backtest after every clean compile</source>
        <translation>每次編譯無錯誤後自動回測</translation>
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
    <name>ChatTextEdit</name>
    <message>
        <source>Show all</source>
        <translation>顯示全部</translation>
    </message>
    <message>
        <source>demo</source>
        <translation>示範</translation>
    </message>
</context>
<context>
    <name>CodeGeneratorDialog</name>
    <message>
        <source>Built-in templates (offline)</source>
        <translation>內建範本（離線）</translation>
    </message>
    <message>
        <source>A model server</source>
        <translation>模型伺服器</translation>
    </message>
    <message>
        <source>Another TavrinAI service</source>
        <translation>其他 TavrinAI 服務</translation>
    </message>
    <message>
        <source>Code generator</source>
        <translation>程式碼產生器</translation>
    </message>
    <message>
        <source>the first one it lists</source>
        <translation>使用其列出的第一個</translation>
    </message>
    <message>
        <source>optional</source>
        <translation>選填</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>重新整理</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>測試</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>位址：</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>模型：</translation>
    </message>
    <message>
        <source>API key:</source>
        <translation>API 金鑰：</translation>
    </message>
    <message>
        <source>The administrator set the code generator's address in config.json: %1.</source>
        <translation>管理員已在 config.json 中設定程式碼產生器的位址：%1。</translation>
    </message>
    <message>
        <source>Asking %1…</source>
        <translation>正在詢問 %1…</translation>
    </message>
    <message>
        <source>No credential store answers on this computer: the API key and the address's password cannot be kept, and are used only until TavrinAI closes.</source>
        <translation>此電腦上沒有可用的憑證儲存區：無法保存 API 金鑰和位址中的密碼，它們只在 TavrinAI 關閉前有效。</translation>
    </message>
    <message>
        <source>Reading the credential store…</source>
        <translation>正在讀取憑證儲存區…</translation>
    </message>
</context>
<context>
    <name>CodeGeneratorInUse</name>
    <message>
        <source>Offline templates</source>
        <translation>離線範本</translation>
    </message>
    <message>
        <source>Model server at %1</source>
        <translation>%1 上的模型伺服器</translation>
    </message>
    <message>
        <source>Model %1 at %2</source>
        <translation>%2 上的模型 %1</translation>
    </message>
    <message>
        <source>Service at %1</source>
        <translation>%1 上的服務</translation>
    </message>
    <message>
        <source>Programs are written from offline templates by the code generator that TavrinAI started at %1. Settings &gt; Code generator… chooses a model instead.</source>
        <translation>程式由 TavrinAI 在 %1 啟動的程式碼產生器使用離線範本撰寫。可在「設定 &gt; 程式碼產生器…」中改用模型。</translation>
    </message>
    <message>
        <source>Programs are written by the model server at %1, through the code generator that TavrinAI started at %2. Settings &gt; Code generator… changes it.</source>
        <translation>程式由 %1 上的模型伺服器撰寫，經由 TavrinAI 在 %2 啟動的程式碼產生器。可在「設定 &gt; 程式碼產生器…」中變更。</translation>
    </message>
    <message>
        <source>Programs are written by the code generator at %1, which TavrinAI did not start: it writes them its own way. Settings &gt; Code generator… chooses another.</source>
        <translation>程式由 %1 上的程式碼產生器撰寫，它不是 TavrinAI 啟動的，按它自己的方式撰寫程式。可在「設定 &gt; 程式碼產生器…」中另選。</translation>
    </message>
    <message>
        <source>The model server refused your API key; check it in Settings &gt; Code generator…</source>
        <translation>模型伺服器拒絕了您的 API 金鑰；請在「設定 &gt; 程式碼產生器…」中檢查它。</translation>
    </message>
    <message>
        <source>In use now: the built-in templates (offline), in the code generator this client started at %1.</source>
        <translation>目前使用：內建範本（離線），由本用戶端在 %1 啟動的程式碼產生器提供。</translation>
    </message>
    <message>
        <source>In use now: %1, through the code generator this client started at %2.</source>
        <translation>目前使用：%1，透過本用戶端在 %2 啟動的程式碼產生器。</translation>
    </message>
    <message>
        <source>the model server at %1</source>
        <translation>位於 %1 的模型伺服器</translation>
    </message>
    <message>
        <source>the model %1 at %2</source>
        <translation>位於 %2 的模型 %1</translation>
    </message>
    <message>
        <source>In use now: the service at %1, which this client did not start; the choice below applies to the client&apos;s own code generator.</source>
        <translation>目前使用：位於 %1 的服務，它不是本用戶端啟動的；下面的選擇只適用於本用戶端自己的程式碼產生器。</translation>
    </message>
</context>
<context>
    <name>CodeViewer</name>
    <message>
        <source>Find</source>
        <translation>尋找</translation>
    </message>
    <message>
        <source>Find next</source>
        <translation>尋找下一個</translation>
    </message>
    <message>
        <source>Copy code</source>
        <translation>複製程式碼</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>找不到</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>已複製</translation>
    </message>
</context>
<context>
    <name>CompilerRun</name>
    <message>
        <source>Cannot compile through Wine: "%1" holds the character %2, which cannot be passed to the compiler. Please choose a name without it.</source>
        <translation>無法透過 Wine 編譯：「%1」含有字元 %2，該字元無法傳給編譯器。請換一個不含該字元的名稱。</translation>
    </message>
    <message>
        <source>Cannot start compiler: %1 is a Windows program and needs Wine, but "%2" was not found. Install Wine (Debian, Ubuntu: sudo apt install wine wine64) or set TAVRIN_WINE to the Wine program to use.</source>
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
    <message>
        <source>The compile was stopped.</source>
        <translation>編譯已停止。</translation>
    </message>
</context>
<context>
    <name>Conversation</name>
    <message>
        <source>Indicator</source>
        <translation>指標</translation>
    </message>
    <message>
        <source>EA</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>You</source>
        <translation>你</translation>
    </message>
    <message>
        <source>TavrinAI</source>
        <translation>TavrinAI</translation>
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
        <source>Please enter your request!</source>
        <translation>請輸入需求！</translation>
    </message>
    <message>
        <source>Name cannot be empty!</source>
        <translation>請輸入指標或者EA名稱，名稱不能為空！</translation>
    </message>
    <message>
        <source>A request is already on its way: wait for its answer, or press Stop.</source>
        <translation>已有一個請求正在處理中：請等待回覆，或點擊「停止」。</translation>
    </message>
    <message>
        <source>This chat writes %1 %2. Press New Chat to start a chat for %3 %4.</source>
        <translation>此對話撰寫的是 %1 %2。請按「新建對話」，開始一個撰寫 %3 %4 的對話。</translation>
    </message>
    <message>
        <source>Stopped. Your request is back in the request field.</source>
        <translation>已停止。你的需求已放回輸入框。</translation>
    </message>
    <message>
        <source>%1 %2 generated successfully!
Compiling...</source>
        <translation>%1 %2產生成功！
💡 準備自動編譯...</translation>
    </message>
    <message>
        <source>The program does not compile. Please fix these errors:</source>
        <translation>程式無法編譯，請修正以下錯誤：</translation>
    </message>
    <message>
        <source>Asking the code generator to fix the errors (automatic round %1 of %2).</source>
        <translation>正在請程式碼產生服務修復錯誤（自動第 %1 輪，共 %2 輪）。</translation>
    </message>
    <message>
        <source>The code generator refused without giving a reason.</source>
        <translation>程式碼產生服務拒絕了請求，但未說明原因。</translation>
    </message>
    <message>
        <source>Automatic fixing stopped after %1 rounds with errors left. Press &quot;Ask to fix these errors&quot; to try once more, or change your request.</source>
        <translation>自動修正已在 %1 輪後停止，仍有錯誤。點擊「請求修正這些錯誤」再試一次，或修改你的需求。</translation>
    </message>
    <message>
        <source>This code generator cannot be given a program to change: it writes a new one from your request.</source>
        <translation>這個程式碼生成服務無法接收要修改的程式：它會根據你的請求編寫一個新的程式。</translation>
    </message>
    <message>
        <source>Please choose another name: %1.</source>
        <translation>請換一個名稱：%1。</translation>
    </message>
    <message>
        <source>A backtest is running already: wait for its result, or stop it first.</source>
        <translation>已有回測正在執行：請等待結果，或先停止它。</translation>
    </message>
    <message>
        <source>A later version was saved over this one: choose it in Versions and use it again to test it.</source>
        <translation>此版本已被之後儲存的版本覆蓋：請在「版本」中選擇它並再次使用，然後再測試。</translation>
    </message>
</context>
<context>
    <name>SessionClient</name>
    <message>
        <source>Current version: %1&lt;br&gt;Minimum required: %2&lt;br&gt;&lt;br&gt;Please download the latest version.</source>
        <translation>目前版本：%1&lt;br&gt;最低要求：%2&lt;br&gt;&lt;br&gt;請下載最新版本。</translation>
    </message>
    <message>
        <source>Version Too Low</source>
        <translation>版本過低</translation>
    </message>
    <message>
        <source>Request failed: %1</source>
        <translation>請求失敗：%1</translation>
    </message>
    <message>
        <source>Failed to create session: %1</source>
        <translation>新建會話失敗：%1</translation>
    </message>
    <message>
        <source>The code generator at %1 answered with an error: %2 %3</source>
        <translation>位於 %1 的程式碼產生服務回傳錯誤：%2 %3</translation>
    </message>
    <message>
        <source>Cannot reach the code generator at %1: connection refused</source>
        <translation>無法連線位於 %1 的程式碼產生服務：連線被拒絕</translation>
    </message>
    <message>
        <source>Cannot reach the code generator at %1: host not found</source>
        <translation>無法連線位於 %1 的程式碼產生服務：找不到主機</translation>
    </message>
    <message>
        <source>The code generator did not answer within %1 minutes</source>
        <translation>程式碼產生服務在 %1 分鐘內沒有回覆</translation>
    </message>
    <message>
        <source>The code generator did not answer within %1 seconds</source>
        <translation>程式碼產生服務在 %1 秒內沒有回覆</translation>
    </message>
    <message>
        <source>Cannot reach the code generator at %1: %2</source>
        <translation>無法連線位於 %1 的程式碼產生服務：%2</translation>
    </message>
    <message>
        <source>the connection to the code generator at %1 ended before its answer was complete</source>
        <translation>與位於 %1 的程式碼產生服務的連線在回覆完成前中斷</translation>
    </message>
</context>
<context>
    <name>ChatPresenter</name>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Compiling %1... %2</source>
        <translation>正在編譯 %1... %2</translation>
    </message>
    <message>
        <source>Save and compile again</source>
        <translation>重新儲存並編譯</translation>
    </message>
    <message>
        <source>The %1 Data path is empty: choose the folder that holds %2.</source>
        <translation>%1 的資料路徑為空：請選擇包含 %2 的資料夾。</translation>
    </message>
    <message>
        <source>The %1 Data path "%2" holds no %3 folder.</source>
        <translation>%1 的資料路徑「%2」中沒有 %3 資料夾。</translation>
    </message>
    <message>
        <source>The %1 Installation path is empty: choose the terminal's folder.</source>
        <translation>%1 的安裝路徑為空：請選擇終端所在的資料夾。</translation>
    </message>
    <message>
        <source>The %1 Installation path "%2" does not exist.</source>
        <translation>%1 的安裝路徑「%2」不存在。</translation>
    </message>
    <message>
        <source>Invalid platform path!</source>
        <translation>平台路徑無效，請檢查輸入！</translation>
    </message>
    <message>
        <source>Your program is kept: fix the path, then save it.</source>
        <translation>程式已保留：請修正路徑後再儲存。</translation>
    </message>
    <message>
        <source>Platform path verified!</source>
        <translation>平台路徑驗證成功！</translation>
    </message>
    <message>
        <source>Cannot write file: %1</source>
        <translation>無法寫入檔案：%1</translation>
    </message>
    <message>
        <source>the earlier version of %1 could not be kept (%2), so it was left as it was</source>
        <translation>無法保留 %1 的原有版本（%2），因此該檔案保持不變</translation>
    </message>
    <message>
        <source>Code saved to: %1</source>
        <translation>程式碼已儲存至檔案：%1</translation>
    </message>
    <message>
        <source>The file held another program; its earlier version was kept.</source>
        <translation>該檔案原有另一個程式，其原有版本已保留。</translation>
    </message>
    <message>
        <source>Restore the earlier version</source>
        <translation>還原原有版本</translation>
    </message>
    <message>
        <source>Cannot start compiler!</source>
        <translation>無法啟動編譯器！</translation>
    </message>
    <message>
        <source>Ask to fix these errors</source>
        <translation>請求修正這些錯誤</translation>
    </message>
    <message>
        <source>The compiler finished but left no log.</source>
        <translation>編譯器已執行結束，但沒有留下日誌。</translation>
    </message>
    <message>
        <source>Cannot restore the earlier version: %1</source>
        <translation>無法還原原有版本：%1</translation>
    </message>
    <message>
        <source>The earlier version of %1 is back in place.</source>
        <translation>%1 已還原為原有版本。</translation>
    </message>
    <message>
        <source>Risks found in this program. It was saved all the same: check them before you run it.</source>
        <translation>在此程式中發現風險。程式已照常儲存：執行之前請先檢查這些風險。</translation>
    </message>
    <message>
        <source>Line %1:</source>
        <translation>第 %1 行：</translation>
    </message>
    <message>
        <source>It replaced the program's previous version, which was kept.</source>
        <translation>它取代了該程式的上一版本，上一版本已保留。</translation>
    </message>
    <message>
        <source>Compile stopped after %1</source>
        <translation>編譯已停止（用時 %1）</translation>
    </message>
    <message>
        <source>Compile finished after %1</source>
        <translation>編譯完成（用時 %1）</translation>
    </message>
    <message>
        <source>Compile failed after %1</source>
        <translation>編譯失敗（用時 %1）</translation>
    </message>
    <message>
        <source>Backtest</source>
        <translation>回測</translation>
    </message>
    <message>
        <source>Cannot start the terminal: it is a Windows program and needs Wine, but &quot;%1&quot; was not found. Install Wine (Debian, Ubuntu: sudo apt install wine wine64) or set TAVRIN_WINE to the Wine program to use.</source>
        <translation>無法啟動終端：它是 Windows 程式，需要 Wine，但找不到「%1」。請安裝 Wine（Debian、Ubuntu：sudo apt install wine wine64），或將 TAVRIN_WINE 設為要使用的 Wine 程式。</translation>
    </message>
    <message>
        <source>Cannot test through Wine: &quot;%1&quot; holds the character %2, which cannot be passed to the terminal.</source>
        <translation>無法透過 Wine 回測：「%1」含有字元 %2，無法傳給終端。</translation>
    </message>
    <message>
        <source>Cannot start the terminal for the Strategy Tester.</source>
        <translation>無法為策略測試器啟動終端。</translation>
    </message>
    <message>
        <source>The Installation path holds no terminal program (terminal64.exe or terminal.exe), so the Strategy Tester cannot run.</source>
        <translation>安裝路徑中沒有終端程式（terminal64.exe 或 terminal.exe），策略測試器無法執行。</translation>
    </message>
    <message>
        <source>Save the Expert Advisor into the terminal first: the Strategy Tester tests a saved program.</source>
        <translation>請先把 EA 儲存到終端：策略測試器測試的是已儲存的程式。</translation>
    </message>
    <message>
        <source>The terminal is running with this data folder: close the terminal first, then run the backtest again.</source>
        <translation>終端正在使用此資料夾執行：請先關閉終端，再重新回測。</translation>
    </message>
    <message>
        <source>Cannot write the Strategy Tester&apos;s start-up file or its report folder in the data folder.</source>
        <translation>無法在資料夾中寫入策略測試器的啟動檔案或報告資料夾。</translation>
    </message>
    <message>
        <source>No history data for this symbol and period: open its chart in the terminal once, so that it downloads the history, then test again.</source>
        <translation>該交易品種和週期沒有歷史資料：請先在終端中開啟一次它的圖表以下載歷史資料，然後再回測。</translation>
    </message>
    <message>
        <source>The Expert Advisor&apos;s OnInit failed, so the test stopped at its start.</source>
        <translation>EA 的 OnInit 失敗，測試在開始時就停止了。</translation>
    </message>
    <message>
        <source>The Strategy Tester did not finish in time and was stopped.</source>
        <translation>策略測試器未能按時完成，已被停止。</translation>
    </message>
    <message>
        <source>The backtest was stopped; no report was written.</source>
        <translation>回測已停止，沒有產生報告。</translation>
    </message>
    <message>
        <source>Nothing came from the Strategy Tester: no report and no journal. A terminal that has never logged in to its broker has no history to test with; log in once, then test again.</source>
        <translation>策略測試器沒有任何輸出：既沒有報告，也沒有日誌。從未登入過經紀商的終端沒有可供測試的歷史資料；請先登入一次，然後再回測。</translation>
    </message>
    <message>
        <source>The Strategy Tester wrote no report, and its journal names no error.</source>
        <translation>策略測試器沒有產生報告，日誌中也沒有記錄錯誤。</translation>
    </message>
    <message>
        <source>The Strategy Tester wrote no report. Its journal says:</source>
        <translation>策略測試器沒有產生報告。它的日誌寫道：</translation>
    </message>
    <message>
        <source>Open the full report</source>
        <translation>開啟完整報告</translation>
    </message>
    <message>
        <source>Testing %1 in the Strategy Tester... %2</source>
        <translation>正在策略測試器中測試 %1... %2</translation>
    </message>
    <message>
        <source>Backtest stopped after %1</source>
        <translation>回測已停止（用時 %1）</translation>
    </message>
    <message>
        <source>Backtest finished after %1</source>
        <translation>回測完成（用時 %1）</translation>
    </message>
    <message>
        <source>Backtest failed after %1</source>
        <translation>回測失敗（用時 %1）</translation>
    </message>
    <message>
        <source>The Strategy Tester&apos;s report could not be read: %1</source>
        <translation>無法讀取策略測試器的報告：%1</translation>
    </message>
    <message>
        <source>%1 is open in this chat. The offline generator in use changes only programs it wrote itself, so it cannot change this one; it writes a new program from your description in a new chat (New Chat). To have this one changed, choose a model server in Settings &gt; Code generator…</source>
        <translation>%1 已在此對話中開啟。目前使用的離線產生器只能修改它自己編寫的程式，因此無法修改這個程式；它可以在新的對話（新建對話）中根據您的描述編寫新程式。如需修改這個程式，請在「設定 &gt; 程式碼產生器…」中選擇模型伺服器。</translation>
    </message>
    <message>
        <source>%1 is open in this chat: ask for the changes you want. They are saved under the same name, and the content it has now is kept as a version.</source>
        <translation>%1 已在本對話中開啟：請說出你想要的修改。修改會以同樣的名字儲存，現在的內容會保留為一個版本。</translation>
    </message>
    <message>
        <source>Answered after %1</source>
        <translation>已回答（等待 %1）</translation>
    </message>
    <message>
        <source>Copy code</source>
        <translation>複製程式碼</translation>
    </message>
    <message>
        <source>Creating new %1 %2 chat...</source>
        <translation>正在建立新的%1 %2對話...</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>編輯</translation>
    </message>
    <message>
        <source>Failed after %1</source>
        <translation>失敗（等待 %1）</translation>
    </message>
    <message>
        <source>Refused after %1</source>
        <translation>被拒絕（等待 %1）</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>重新生成</translation>
    </message>
    <message>
        <source>Show all %1 lines</source>
        <translation>顯示全部 %1 行</translation>
    </message>
    <message>
        <source>Stopped after %1</source>
        <translation>已停止（等待 %1）</translation>
    </message>
    <message>
        <source>The backtest had not finished when the chat was last kept.</source>
        <translation>上次儲存此對話時，回測尚未完成。</translation>
    </message>
    <message>
        <source>The code generator no longer knew this chat: a new %1 %2 chat continues it from what was said and its program, and your request goes there.</source>
        <translation>程式碼生成服務已不再記得這個對話：新的 %1 %2 對話將根據之前的內容和程式繼續，你的請求會傳送到那裡。</translation>
    </message>
    <message>
        <source>The code generator no longer knew this chat: a new %1 %2 chat was opened, and your request goes there.</source>
        <translation>程式碼產生服務已不再記得此對話：已新建一個 %1 %2 對話，你的需求將傳送到那裡。</translation>
    </message>
    <message>
        <source>The compile had not finished when the chat was last kept.</source>
        <translation>上次儲存此對話時，編譯尚未完成。</translation>
    </message>
    <message>
        <source>The request takes the place of the earlier one: a new session continues from what was said before it.</source>
        <translation>這個請求取代之前的請求：新的工作階段將從它之前的內容繼續。</translation>
    </message>
    <message>
        <source>The version of %1 is the chat's program again: it is saved and compiled now, and your next request continues from it.</source>
        <translation>%1 的版本重新成為本對話的程式：現在儲存並編譯，你的下一個請求將從它繼續。</translation>
    </message>
    <message>
        <source>This code generator cannot be given the chat's history: it starts from your request alone.</source>
        <translation>這個程式碼生成服務無法接收對話的歷史：它只根據你的請求重新開始。</translation>
    </message>
    <message>
        <source>Versions (%1)</source>
        <translation>版本（%1）</translation>
    </message>
    <message>
        <source>EA</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>Indicator</source>
        <translation>指標</translation>
    </message>
    <message>
        <source>%1 characters, %2 per second</source>
        <translation>%1 個字元，每秒 %2 個</translation>
    </message>
    <message>
        <source>Checking the program...</source>
        <translation>正在檢查程式...</translation>
    </message>
    <message>
        <source>Correcting the program...</source>
        <translation>正在修正程式...</translation>
    </message>
    <message>
        <source>Generating code... %1</source>
        <translation>正在產生程式碼... %1</translation>
    </message>
    <message>
        <source>Waiting for the first lines...</source>
        <translation>正在等待最初幾行...</translation>
    </message>
    <message>
        <source>Waiting for the model (number %1 in the queue)...</source>
        <translation>正在等待模型（排隊第 %1 位）...</translation>
    </message>
    <message>
        <source>Writing the program...</source>
        <translation>正在編寫程式...</translation>
    </message>
</context>
<context>
    <name>LocalService</name>
    <message>
        <source>it did not say it was ready within %1 ms</source>
        <translation>它在 %1 毫秒內沒有回報就緒</translation>
    </message>
    <message>
        <source>Another program answers at %1, and it is not a TavrinAI code generator, so the built-in one cannot start there. Close that program, or choose another address in Settings &gt; Code generator…</source>
        <translation>%1 上有其他程式在回應，它不是 TavrinAI 程式碼產生器，因此內建產生器無法在該位址啟動。請關閉該程式，或在「設定 &gt; 程式碼產生器…」中選擇其他位址。</translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation>缺少 %1</translation>
    </message>
    <message>
        <source>it ended with code %1</source>
        <translation>它以代碼 %1 結束</translation>
    </message>
    <message>
        <source>it crashed</source>
        <translation>它當機了</translation>
    </message>
    <message>
        <source>The built-in code generator at %1 stopped: %2. Restart TavrinAI to start it again.</source>
        <translation>%1 上的內建程式碼產生器已停止：%2。請重新啟動 TavrinAI 以再次啟動它。</translation>
    </message>
    <message>
        <source>The built-in code generator was started at %1. It writes programs from its offline templates; Settings &gt; Code generator… chooses a model instead.</source>
        <translation>內建程式碼產生器已在 %1 啟動。它使用離線範本撰寫程式；可在「設定 &gt; 程式碼產生器…」中改用模型。</translation>
    </message>
    <message>
        <source>The built-in code generator was started at %1. It asks the first model that %2 lists.</source>
        <translation>內建程式碼產生器已在 %1 啟動。它使用 %2 列出的第一個模型。</translation>
    </message>
    <message>
        <source>The built-in code generator was started at %1. It asks the model %2 at %3.</source>
        <translation>內建程式碼產生器已在 %1 啟動。它使用 %3 上的模型 %2。</translation>
    </message>
    <message>
        <source>The built-in code generator could not be started at %1: %2.</source>
        <translation>無法在 %1 啟動內建程式碼產生器：%2。</translation>
    </message>
</context>
<context>
    <name>ModelServerProbe</name>
    <message>
        <source>“%1” is not the address of a model server; it looks like http://127.0.0.1:11434.</source>
        <translation>「%1」不是模型伺服器的位址；位址應類似 http://127.0.0.1:11434。</translation>
    </message>
    <message>
        <source>%1 refused the API key (HTTP %2).</source>
        <translation>%1 拒絕了該 API 金鑰（HTTP %2）。</translation>
    </message>
    <message>
        <source>%1 wants an API key (HTTP %2).</source>
        <translation>%1 需要 API 金鑰（HTTP %2）。</translation>
    </message>
    <message>
        <source>%1 did not answer within %2 ms.</source>
        <translation>%1 在 %2 毫秒內沒有回應。</translation>
    </message>
    <message>
        <source>Nothing answers at %1 (%2).</source>
        <translation>%1 上沒有任何回應（%2）。</translation>
    </message>
    <message>
        <source>%1 answers, but not as a model server (HTTP %2 for %3).</source>
        <translation>%1 有回應，但不是模型伺服器（%3 傳回 HTTP %2）。</translation>
    </message>
    <message>
        <source>%1 answers but lists no model; type the model's name.</source>
        <translation>%1 有回應，但沒有列出任何模型；請輸入模型名稱。</translation>
    </message>
    <message>
        <source>%1 answers and lists these models: %2.</source>
        <translation>%1 有回應，列出了這些模型：%2。</translation>
    </message>
</context>
<context>
    <name>RiskWarnings</name>
    <message>
        <source>Loads the DLL "%1", which runs outside MetaTrader's control with all the rights of your Windows account</source>
        <translation>載入 DLL「%1」：它在 MetaTrader 的控制之外執行，擁有您 Windows 帳戶的全部權限</translation>
    </message>
    <message>
        <source>Calls %1, which sends data over the internet</source>
        <translation>呼叫 %1，會透過網際網路傳送資料</translation>
    </message>
    <message>
        <source>Reads account data (%1) in a program that sends data over the internet: your account's details may leave this computer (heuristic)</source>
        <translation>讀取帳戶資料（%1），而程式會透過網際網路傳送資料：您的帳戶資訊可能被傳送出去（啟發式判斷）</translation>
    </message>
    <message>
        <source>Opens files with %1, in the folder all terminals share, outside this terminal's own sandbox</source>
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
        <source>Opens more orders as the price moves in steps (%1), a grid: the exposure grows with each step the price goes against it (heuristic)</source>
        <translation>價格每移動一個間距就再開一單（%1），即網格策略：價格每朝不利方向走一步，持倉風險就擴大一步（啟發式判斷）</translation>
    </message>
    <message>
        <source>The lot given to %1 is computed at run time and never limited by the symbol's maximum volume or a fixed cap (heuristic)</source>
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
<context>
    <name>SecretStore</name>
    <message>
        <source>the credential store did not answer</source>
        <translation>憑證儲存區沒有回應</translation>
    </message>
</context>
<context>
    <name>ChatKeeper</name>
    <message>
        <source>New chat</source>
        <translation>新對話</translation>
    </message>
</context>
<context>
    <name>ChatListPanel</name>
    <message>
        <source>EA</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>Indicator</source>
        <translation>指標</translation>
    </message>
    <message>
        <source>Search chats</source>
        <translation>搜尋對話</translation>
    </message>
    <message>
        <source>Rename…</source>
        <translation>重新命名…</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>匯出…</translation>
    </message>
    <message>
        <source>Delete…</source>
        <translation>刪除…</translation>
    </message>
    <message>
        <source>Rename chat</source>
        <translation>重新命名對話</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>標題：</translation>
    </message>
    <message>
        <source>Delete chat</source>
        <translation>刪除對話</translation>
    </message>
    <message>
        <source>Delete the chat "%1"? The programs it saved in the terminal are kept.</source>
        <translation>刪除對話「%1」？它儲存到終端的程式會保留。</translation>
    </message>
    <message>
        <source>Open a program…</source>
        <translation>開啟程式…</translation>
    </message>
</context>
<context>
    <name>VersionsDialog</name>
    <message>
        <source>Versions of %1</source>
        <translation>%1 的版本</translation>
    </message>
    <message>
        <source>(the chat's program)</source>
        <translation>（本對話的程式）</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>程式</translation>
    </message>
    <message>
        <source>Difference to the chat's program</source>
        <translation>與本對話程式的差異</translation>
    </message>
    <message>
        <source>Use this version</source>
        <translation>使用此版本</translation>
    </message>
    <message>
        <source>compiled</source>
        <translation>已編譯</translation>
    </message>
    <message>
        <source>compile errors: %1</source>
        <translation>編譯錯誤：%1</translation>
    </message>
    <message>
        <source>not compiled: the compiler did not run</source>
        <translation>未編譯：編譯器沒有執行</translation>
    </message>
    <message>
        <source>not compiled</source>
        <translation>未編譯</translation>
    </message>
    <message>
        <source>Backtest (demo): %1</source>
        <translation>回測（示範）：%1</translation>
    </message>
    <message>
        <source>Backtest: %1</source>
        <translation>回測：%1</translation>
    </message>
</context>
<context>
    <name>BacktestDialog</name>
    <message>
        <source>Backtest</source>
        <translation>回測</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>執行</translation>
    </message>
    <message>
        <source>Symbol</source>
        <translation>交易品種</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>週期</translation>
    </message>
    <message>
        <source>From</source>
        <translation>開始日期</translation>
    </message>
    <message>
        <source>To</source>
        <translation>結束日期</translation>
    </message>
    <message>
        <source>Deposit</source>
        <translation>初始存款</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>建模方式</translation>
    </message>
    <message>
        <source>Every tick</source>
        <translation>每個報價</translation>
    </message>
    <message>
        <source>1 minute OHLC</source>
        <translation>1 分鐘 OHLC</translation>
    </message>
    <message>
        <source>Open prices only</source>
        <translation>僅開盤價</translation>
    </message>
    <message>
        <source>Every tick based on real ticks</source>
        <translation>基於真實報價的每個報價</translation>
    </message>
    <message>
        <source>Control points</source>
        <translation>控制點</translation>
    </message>
</context>
<context>
    <name>BacktestTexts</name>
    <message>
        <source>Trades: none</source>
        <translation>交易：無</translation>
    </message>
    <message>
        <source>Trades: %1, won %2 %</source>
        <translation>交易：%1 筆，獲利 %2 %</translation>
    </message>
    <message>
        <source>Net profit: %1 (deposit %2)</source>
        <translation>淨利潤：%1（初始存款 %2）</translation>
    </message>
    <message>
        <source>Profit factor: %1</source>
        <translation>獲利因子：%1</translation>
    </message>
    <message>
        <source>Maximal drawdown: %1 (%2 %)</source>
        <translation>最大回撤：%1（%2 %）</translation>
    </message>
    <message>
        <source>Sharpe ratio: %1</source>
        <translation>夏普比率：%1</translation>
    </message>
</context>
<context>
    <name>ProgramFile</name>
    <message>
        <source>only .mq4 and .mq5 programs can be opened</source>
        <translation>只能開啟 .mq4 和 .mq5 程式</translation>
    </message>
    <message>
        <source>the file is too large for a program</source>
        <translation>檔案太大，不像是一個程式</translation>
    </message>
</context>
<context>
    <name>Deployment</name>
    <message>
        <source>the name &quot;%1&quot; must not contain &quot;/&quot; or &quot;\&quot;</source>
        <translation>名稱「%1」不能包含「/」或「\」</translation>
    </message>
    <message>
        <source>the name &quot;%1&quot; must not contain &quot;:&quot;</source>
        <translation>名稱「%1」不能包含「:」</translation>
    </message>
</context>
<context>
    <name>SourceVersions</name>
    <message>
        <source>cannot create %1</source>
        <translation>無法建立 %1</translation>
    </message>
</context>
</TS>