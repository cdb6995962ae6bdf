<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>BrevanQt</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>About TavrinAI</source>
        <translation>关于 TavrinAI</translation>
    </message>
    <message>
        <source>Contact: %1</source>
        <translation>联系方式：%1</translation>
    </message>
    <message>
        <source>Copyright © 2026 TavrinAI. All rights reserved.</source>
        <translation>版权所有 © 2026 TavrinAI。保留所有权利。</translation>
    </message>
    <message>
        <source>EA</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Indicator</source>
        <translation>指标</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Select MT4 data directory</source>
        <translation>选择MT4数据目录</translation>
    </message>
    <message>
        <source>Select MT4 installation directory</source>
        <translation>选择MT4安装目录</translation>
    </message>
    <message>
        <source>Select MT5 data directory</source>
        <translation>选择MT5数据目录</translation>
    </message>
    <message>
        <source>Select MT5 installation directory</source>
        <translation>选择MT5安装目录</translation>
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
        <translation>网站：</translation>
    </message>
    <message>
        <source>Save conversation…</source>
        <translation>保存对话…</translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation>无法打开 %1</translation>
    </message>
    <message>
        <source>Save conversation</source>
        <translation>保存对话</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>文本文件 (*.txt)</translation>
    </message>
    <message>
        <source>Cannot save the conversation: %1</source>
        <translation>无法保存对话：%1</translation>
    </message>
    <message>
        <source>Program %1</source>
        <translation>程序 %1</translation>
    </message>
    <message>
        <source>Send the request (Ctrl+Enter)</source>
        <translation>发送需求（Ctrl+Enter）</translation>
    </message>
    <message>
        <source>The chat's request is on its way: wait for the answer, or press Stop in the chat.</source>
        <translation>本对话的请求正在处理中：请等待回复，或在对话中点击“停止”。</translation>
    </message>
    <message>
        <source>No %1 terminal was found on this computer. Start the terminal once (it then creates its data folder), or choose its Installation path and Data path with "...".</source>
        <translation>在这台电脑上没有找到 %1 终端。请先启动一次终端（它会创建自己的数据文件夹），或用“...”选择安装路径和数据路径。</translation>
    </message>
    <message>
        <source>Fix compile errors automatically</source>
        <translation>自动修复编译错误</translation>
    </message>
    <message>
        <source>When the compiler reports errors, send them back to the code generator by itself, at most twice in a row (with a code generator that takes compile errors).</source>
        <translation>编译器报告错误时，自动把错误发回代码生成服务，连续最多两次（需要支持编译错误的代码生成服务）。</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Code generator…</source>
        <translation>代码生成器…</translation>
    </message>
    <message>
        <source>No credential store answers on this computer, so the model server's API key and password were not kept: enter them again in Settings &gt; Code generator…</source>
        <translation>此计算机上没有可用的凭据存储，因此模型服务器的 API 密钥和密码没有被保存：请在“设置 &gt; 代码生成器…”中重新输入。</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>已复制</translation>
    </message>
    <message>
        <source>The answer to your request has not arrived yet. Start a new chat without it? Your request goes back into the request field.</source>
        <translation>您的请求尚未得到回复。要放弃它并新建对话吗？您的请求会回到请求输入框中。</translation>
    </message>
    <message>
        <source>Start a new chat</source>
        <translation>新建对话</translation>
    </message>
    <message>
        <source>Keep waiting</source>
        <translation>继续等待</translation>
    </message>
    <message>
        <source>No credential store answers on this computer: the API key and the address's password are used only until TavrinAI closes.</source>
        <translation>此计算机上没有可用的凭据存储：API 密钥和地址中的密码只在 TavrinAI 关闭前有效。</translation>
    </message>
    <message>
        <source>You</source>
        <translation>你</translation>
    </message>
    <message>
        <source>the chat could not be read</source>
        <translation>无法读取该对话</translation>
    </message>
    <message>
        <source>Cannot keep the chat: %1</source>
        <translation>无法保存对话记录：%1</translation>
    </message>
    <message>
        <source>File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>Open a program…</source>
        <translation>打开程序…</translation>
    </message>
    <message>
        <source>Open a program</source>
        <translation>打开程序</translation>
    </message>
    <message>
        <source>MQL programs (*.mq4 *.mq5)</source>
        <translation>MQL 程序 (*.mq4 *.mq5)</translation>
    </message>
    <message>
        <source>The code generator is not connected yet: open the program again once it is.</source>
        <translation>代码生成服务尚未连接：连接后请重新打开该程序。</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Backtest after every clean compile</source>
        <translation>每次编译无错误后自动回测</translation>
    </message>
</context>
<context>
    <name>BrevanQtClass</name>
    <message>
        <source>Auto detect</source>
        <translation>自动查找</translation>
    </message>
    <message>
        <source>Data path:</source>
        <translation>数据路径：</translation>
    </message>
    <message>
        <source>Enter indicator or EA name</source>
        <translation>请输入指标或者EA的名字</translation>
    </message>
    <message>
        <source>Indicator or EA name:</source>
        <translation>指标或者EA名称：</translation>
    </message>
    <message>
        <source>Installation path:</source>
        <translation>安装路径：</translation>
    </message>
    <message>
        <source>New Chat</source>
        <translation>新建对话</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>发送</translation>
    </message>
    </context>
<context>
    <name>ChatTextEdit</name>
    <message>
        <source>Show all</source>
        <translation>显示全部</translation>
    </message>
    <message>
        <source>demo</source>
        <translation>演示</translation>
    </message>
</context>
<context>
    <name>CodeGeneratorDialog</name>
    <message>
        <source>Built-in templates (offline)</source>
        <translation>内置模板（离线）</translation>
    </message>
    <message>
        <source>A model server</source>
        <translation>模型服务器</translation>
    </message>
    <message>
        <source>Another TavrinAI service</source>
        <translation>其他 TavrinAI 服务</translation>
    </message>
    <message>
        <source>Code generator</source>
        <translation>代码生成器</translation>
    </message>
    <message>
        <source>the first one it lists</source>
        <translation>使用其列出的第一个</translation>
    </message>
    <message>
        <source>optional</source>
        <translation>可选</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>测试</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>地址：</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>模型：</translation>
    </message>
    <message>
        <source>API key:</source>
        <translation>API 密钥：</translation>
    </message>
    <message>
        <source>The administrator set the code generator's address in config.json: %1.</source>
        <translation>管理员已在 config.json 中设置代码生成器的地址：%1。</translation>
    </message>
    <message>
        <source>Asking %1…</source>
        <translation>正在询问 %1…</translation>
    </message>
    <message>
        <source>No credential store answers on this computer: the API key and the address's password cannot be kept, and are used only until TavrinAI closes.</source>
        <translation>此计算机上没有可用的凭据存储：无法保存 API 密钥和地址中的密码，它们只在 TavrinAI 关闭前有效。</translation>
    </message>
    <message>
        <source>Reading the credential store…</source>
        <translation>正在读取凭据存储…</translation>
    </message>
</context>
<context>
    <name>CodeGeneratorInUse</name>
    <message>
        <source>Offline templates</source>
        <translation>离线模板</translation>
    </message>
    <message>
        <source>Model server at %1</source>
        <translation>%1 上的模型服务器</translation>
    </message>
    <message>
        <source>Model %1 at %2</source>
        <translation>%2 上的模型 %1</translation>
    </message>
    <message>
        <source>Service at %1</source>
        <translation>%1 上的服务</translation>
    </message>
    <message>
        <source>Programs are written from offline templates by the code generator that TavrinAI started at %1. Settings &gt; Code generator… chooses a model instead.</source>
        <translation>程序由 TavrinAI 在 %1 启动的代码生成器使用离线模板编写。可在“设置 &gt; 代码生成器…”中改用模型。</translation>
    </message>
    <message>
        <source>Programs are written by the model server at %1, through the code generator that TavrinAI started at %2. Settings &gt; Code generator… changes it.</source>
        <translation>程序由 %1 上的模型服务器编写，经由 TavrinAI 在 %2 启动的代码生成器。可在“设置 &gt; 代码生成器…”中更改。</translation>
    </message>
    <message>
        <source>Programs are written by the code generator at %1, which TavrinAI did not start: it writes them its own way. Settings &gt; Code generator… chooses another.</source>
        <translation>程序由 %1 上的代码生成器编写，它不是 TavrinAI 启动的，按它自己的方式编写程序。可在“设置 &gt; 代码生成器…”中另选。</translation>
    </message>
    <message>
        <source>The model server refused your API key; check it in Settings &gt; Code generator…</source>
        <translation>模型服务器拒绝了您的 API 密钥；请在“设置 &gt; 代码生成器…”中检查它。</translation>
    </message>
    <message>
        <source>In use now: the built-in templates (offline), in the code generator this client started at %1.</source>
        <translation>当前使用：内置模板（离线），由本客户端在 %1 启动的代码生成器提供。</translation>
    </message>
    <message>
        <source>In use now: %1, through the code generator this client started at %2.</source>
        <translation>当前使用：%1，通过本客户端在 %2 启动的代码生成器。</translation>
    </message>
    <message>
        <source>the model server at %1</source>
        <translation>位于 %1 的模型服务器</translation>
    </message>
    <message>
        <source>the model %1 at %2</source>
        <translation>位于 %2 的模型 %1</translation>
    </message>
    <message>
        <source>In use now: the service at %1, which this client did not start; the choice below applies to the client&apos;s own code generator.</source>
        <translation>当前使用：位于 %1 的服务，它不是本客户端启动的；下面的选择只适用于本客户端自己的代码生成器。</translation>
    </message>
</context>
<context>
    <name>CodeViewer</name>
    <message>
        <source>Find</source>
        <translation>查找</translation>
    </message>
    <message>
        <source>Find next</source>
        <translation>查找下一个</translation>
    </message>
    <message>
        <source>Copy code</source>
        <translation>复制代码</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>未找到</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>已复制</translation>
    </message>
</context>
<context>
    <name>CompilerRun</name>
    <message>
        <source>Cannot compile through Wine: "%1" holds the character %2, which cannot be passed to the compiler. Please choose a name without it.</source>
        <translation>无法通过 Wine 编译：“%1”含有字符 %2，该字符无法传给编译器。请换一个不含该字符的名称。</translation>
    </message>
    <message>
        <source>Cannot start compiler: %1 is a Windows program and needs Wine, but "%2" was not found. Install Wine (Debian, Ubuntu: sudo apt install wine wine64) or set TAVRIN_WINE to the Wine program to use.</source>
        <translation>无法启动编译器：%1 是 Windows 程序，需要 Wine，但未找到“%2”。请安装 Wine（Debian、Ubuntu：sudo apt install wine wine64），或将 TAVRIN_WINE 设置为要使用的 Wine 程序。</translation>
    </message>
    <message>
        <source>Cannot start compiler: %1 is a 32-bit Windows program, and this Wine runs only 64-bit ones. Add 32-bit Wine: sudo dpkg --add-architecture i386 &amp;&amp; sudo apt update &amp;&amp; sudo apt install wine32:i386</source>
        <translation>无法启动编译器：%1 是 32 位 Windows 程序，而此 Wine 只能运行 64 位程序。请添加 32 位 Wine：sudo dpkg --add-architecture i386 &amp;&amp; sudo apt update &amp;&amp; sudo apt install wine32:i386</translation>
    </message>
    <message>
        <source>The compiler did not finish within %1 seconds and was stopped.</source>
        <translation>编译器未在 %1 秒内完成，已被终止。</translation>
    </message>
    <message>
        <source>The compile was stopped.</source>
        <translation>编译已停止。</translation>
    </message>
</context>
<context>
    <name>Conversation</name>
    <message>
        <source>Indicator</source>
        <translation>指标</translation>
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
        <translation>指标</translation>
    </message>
    <message>
        <source>EAs</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>Please enter your request!</source>
        <translation>请输入需求！</translation>
    </message>
    <message>
        <source>Name cannot be empty!</source>
        <translation>请输入指标或者EA名字，名字不能为空！</translation>
    </message>
    <message>
        <source>A request is already on its way: wait for its answer, or press Stop.</source>
        <translation>已有一个请求正在处理中：请等待回复，或点击“停止”。</translation>
    </message>
    <message>
        <source>This chat writes %1 %2. Press New Chat to start a chat for %3 %4.</source>
        <translation>此对话编写的是 %1 %2。请点击“新建对话”，开始一个编写 %3 %4 的对话。</translation>
    </message>
    <message>
        <source>Stopped. Your request is back in the request field.</source>
        <translation>已停止。你的需求已放回输入框。</translation>
    </message>
    <message>
        <source>%1 %2 generated successfully!
Compiling...</source>
        <translation>%1 %2生成成功！
💡 准备自动编译...</translation>
    </message>
    <message>
        <source>The program does not compile. Please fix these errors:</source>
        <translation>程序无法编译，请修复以下错误：</translation>
    </message>
    <message>
        <source>Asking the code generator to fix the errors (automatic round %1 of %2).</source>
        <translation>正在请代码生成服务修复错误（自动第 %1 轮，共 %2 轮）。</translation>
    </message>
    <message>
        <source>The code generator refused without giving a reason.</source>
        <translation>代码生成服务拒绝了请求，但未说明原因。</translation>
    </message>
    <message>
        <source>Automatic fixing stopped after %1 rounds with errors left. Press &quot;Ask to fix these errors&quot; to try once more, or change your request.</source>
        <translation>自动修复已在 %1 轮后停止，仍有错误。点击“请求修复这些错误”再试一次，或修改你的需求。</translation>
    </message>
    <message>
        <source>This code generator cannot be given a program to change: it writes a new one from your request.</source>
        <translation>这个代码生成服务无法接收要修改的程序：它会根据你的请求编写一个新的程序。</translation>
    </message>
    <message>
        <source>Please choose another name: %1.</source>
        <translation>请换一个名称：%1。</translation>
    </message>
    <message>
        <source>A backtest is running already: wait for its result, or stop it first.</source>
        <translation>已有回测正在运行：请等待结果，或先停止它。</translation>
    </message>
    <message>
        <source>A later version was saved over this one: choose it in Versions and use it again to test it.</source>
        <translation>此版本已被之后保存的版本覆盖：请在“版本”中选择它并再次使用，然后再测试。</translation>
    </message>
</context>
<context>
    <name>SessionClient</name>
    <message>
        <source>Current version: %1&lt;br&gt;Minimum required: %2&lt;br&gt;&lt;br&gt;Please download the latest version.</source>
        <translation>当前版本：%1&lt;br&gt;最低要求：%2&lt;br&gt;&lt;br&gt;请下载最新版本后再使用。</translation>
    </message>
    <message>
        <source>Version Too Low</source>
        <translation>版本过低</translation>
    </message>
    <message>
        <source>Request failed: %1</source>
        <translation>请求失败：%1</translation>
    </message>
    <message>
        <source>Failed to create session: %1</source>
        <translation>新建会话失败：%1</translation>
    </message>
    <message>
        <source>The code generator at %1 answered with an error: %2 %3</source>
        <translation>位于 %1 的代码生成服务返回错误：%2 %3</translation>
    </message>
    <message>
        <source>Cannot reach the code generator at %1: connection refused</source>
        <translation>无法连接位于 %1 的代码生成服务：连接被拒绝</translation>
    </message>
    <message>
        <source>Cannot reach the code generator at %1: host not found</source>
        <translation>无法连接位于 %1 的代码生成服务：找不到主机</translation>
    </message>
    <message>
        <source>The code generator did not answer within %1 minutes</source>
        <translation>代码生成服务在 %1 分钟内没有回复</translation>
    </message>
    <message>
        <source>The code generator did not answer within %1 seconds</source>
        <translation>代码生成服务在 %1 秒内没有回复</translation>
    </message>
    <message>
        <source>Cannot reach the code generator at %1: %2</source>
        <translation>无法连接位于 %1 的代码生成服务：%2</translation>
    </message>
    <message>
        <source>the connection to the code generator at %1 ended before its answer was complete</source>
        <translation>与位于 %1 的代码生成服务的连接在回复完成前中断</translation>
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
        <translation>正在编译 %1... %2</translation>
    </message>
    <message>
        <source>Save and compile again</source>
        <translation>重新保存并编译</translation>
    </message>
    <message>
        <source>The %1 Data path is empty: choose the folder that holds %2.</source>
        <translation>%1 的数据路径为空：请选择包含 %2 的文件夹。</translation>
    </message>
    <message>
        <source>The %1 Data path "%2" holds no %3 folder.</source>
        <translation>%1 的数据路径“%2”中没有 %3 文件夹。</translation>
    </message>
    <message>
        <source>The %1 Installation path is empty: choose the terminal's folder.</source>
        <translation>%1 的安装路径为空：请选择终端所在的文件夹。</translation>
    </message>
    <message>
        <source>The %1 Installation path "%2" does not exist.</source>
        <translation>%1 的安装路径“%2”不存在。</translation>
    </message>
    <message>
        <source>Invalid platform path!</source>
        <translation>平台路径无效，请检查输入！</translation>
    </message>
    <message>
        <source>Your program is kept: fix the path, then save it.</source>
        <translation>程序已保留：请修正路径后再保存。</translation>
    </message>
    <message>
        <source>Platform path verified!</source>
        <translation>平台路径验证成功！</translation>
    </message>
    <message>
        <source>Cannot write file: %1</source>
        <translation>无法写入文件：%1</translation>
    </message>
    <message>
        <source>the earlier version of %1 could not be kept (%2), so it was left as it was</source>
        <translation>无法保留 %1 的原有版本（%2），因此该文件保持不变</translation>
    </message>
    <message>
        <source>Code saved to: %1</source>
        <translation>代码已保存到文件：%1</translation>
    </message>
    <message>
        <source>The file held another program; its earlier version was kept.</source>
        <translation>该文件原有另一个程序，其原有版本已保留。</translation>
    </message>
    <message>
        <source>Restore the earlier version</source>
        <translation>恢复原有版本</translation>
    </message>
    <message>
        <source>Cannot start compiler!</source>
        <translation>无法启动编译器！</translation>
    </message>
    <message>
        <source>Ask to fix these errors</source>
        <translation>请求修复这些错误</translation>
    </message>
    <message>
        <source>The compiler finished but left no log.</source>
        <translation>编译器已运行结束，但没有留下日志。</translation>
    </message>
    <message>
        <source>Cannot restore the earlier version: %1</source>
        <translation>无法恢复原有版本：%1</translation>
    </message>
    <message>
        <source>The earlier version of %1 is back in place.</source>
        <translation>%1 已恢复为原有版本。</translation>
    </message>
    <message>
        <source>Risks found in this program. It was saved all the same: check them before you run it.</source>
        <translation>在此程序中发现风险。程序已照常保存：运行之前请先检查这些风险。</translation>
    </message>
    <message>
        <source>Line %1:</source>
        <translation>第 %1 行：</translation>
    </message>
    <message>
        <source>It replaced the program's previous version, which was kept.</source>
        <translation>它替换了该程序的上一版本，上一版本已保留。</translation>
    </message>
    <message>
        <source>Compile stopped after %1</source>
        <translation>编译已停止（用时 %1）</translation>
    </message>
    <message>
        <source>Compile finished after %1</source>
        <translation>编译完成（用时 %1）</translation>
    </message>
    <message>
        <source>Compile failed after %1</source>
        <translation>编译失败（用时 %1）</translation>
    </message>
    <message>
        <source>Backtest</source>
        <translation>回测</translation>
    </message>
    <message>
        <source>Cannot start the terminal: it is a Windows program and needs Wine, but &quot;%1&quot; was not found. Install Wine (Debian, Ubuntu: sudo apt install wine wine64) or set TAVRIN_WINE to the Wine program to use.</source>
        <translation>无法启动终端：它是 Windows 程序，需要 Wine，但找不到“%1”。请安装 Wine（Debian、Ubuntu：sudo apt install wine wine64），或将 TAVRIN_WINE 设为要使用的 Wine 程序。</translation>
    </message>
    <message>
        <source>Cannot test through Wine: &quot;%1&quot; holds the character %2, which cannot be passed to the terminal.</source>
        <translation>无法通过 Wine 回测：“%1”含有字符 %2，无法传给终端。</translation>
    </message>
    <message>
        <source>Cannot start the terminal for the Strategy Tester.</source>
        <translation>无法为策略测试器启动终端。</translation>
    </message>
    <message>
        <source>The Installation path holds no terminal program (terminal64.exe or terminal.exe), so the Strategy Tester cannot run.</source>
        <translation>安装路径中没有终端程序（terminal64.exe 或 terminal.exe），策略测试器无法运行。</translation>
    </message>
    <message>
        <source>Save the Expert Advisor into the terminal first: the Strategy Tester tests a saved program.</source>
        <translation>请先把 EA 保存到终端：策略测试器测试的是已保存的程序。</translation>
    </message>
    <message>
        <source>The terminal is running with this data folder: close the terminal first, then run the backtest again.</source>
        <translation>终端正在使用此数据文件夹运行：请先关闭终端，再重新回测。</translation>
    </message>
    <message>
        <source>Cannot write the Strategy Tester&apos;s start-up file or its report folder in the data folder.</source>
        <translation>无法在数据文件夹中写入策略测试器的启动文件或报告文件夹。</translation>
    </message>
    <message>
        <source>No history data for this symbol and period: open its chart in the terminal once, so that it downloads the history, then test again.</source>
        <translation>该交易品种和周期没有历史数据：请先在终端中打开一次它的图表以下载历史数据，然后再回测。</translation>
    </message>
    <message>
        <source>The Expert Advisor&apos;s OnInit failed, so the test stopped at its start.</source>
        <translation>EA 的 OnInit 失败，测试在开始时就停止了。</translation>
    </message>
    <message>
        <source>The Strategy Tester did not finish in time and was stopped.</source>
        <translation>策略测试器未能按时完成，已被停止。</translation>
    </message>
    <message>
        <source>The backtest was stopped; no report was written.</source>
        <translation>回测已停止，没有生成报告。</translation>
    </message>
    <message>
        <source>Nothing came from the Strategy Tester: no report and no journal. A terminal that has never logged in to its broker has no history to test with; log in once, then test again.</source>
        <translation>策略测试器没有任何输出：既没有报告，也没有日志。从未登录过经纪商的终端没有可供测试的历史数据；请先登录一次，然后再回测。</translation>
    </message>
    <message>
        <source>The Strategy Tester wrote no report, and its journal names no error.</source>
        <translation>策略测试器没有生成报告，日志中也没有记录错误。</translation>
    </message>
    <message>
        <source>The Strategy Tester wrote no report. Its journal says:</source>
        <translation>策略测试器没有生成报告。它的日志写道：</translation>
    </message>
    <message>
        <source>Open the full report</source>
        <translation>打开完整报告</translation>
    </message>
    <message>
        <source>Testing %1 in the Strategy Tester... %2</source>
        <translation>正在策略测试器中测试 %1... %2</translation>
    </message>
    <message>
        <source>Backtest stopped after %1</source>
        <translation>回测已停止（用时 %1）</translation>
    </message>
    <message>
        <source>Backtest finished after %1</source>
        <translation>回测完成（用时 %1）</translation>
    </message>
    <message>
        <source>Backtest failed after %1</source>
        <translation>回测失败（用时 %1）</translation>
    </message>
    <message>
        <source>The Strategy Tester&apos;s report could not be read: %1</source>
        <translation>无法读取策略测试器的报告：%1</translation>
    </message>
    <message>
        <source>%1 is open in this chat. The offline generator in use changes only programs it wrote itself, so it cannot change this one; it writes a new program from your description in a new chat (New Chat). To have this one changed, choose a model server in Settings &gt; Code generator…</source>
        <translation>%1 已在此对话中打开。当前使用的离线生成器只能修改它自己编写的程序，因此无法修改这个程序；它可以在新的对话（新建对话）中根据您的描述编写新程序。如需修改这个程序，请在“设置 &gt; 代码生成器…”中选择模型服务器。</translation>
    </message>
    <message>
        <source>%1 is open in this chat: ask for the changes you want. They are saved under the same name, and the content it has now is kept as a version.</source>
        <translation>%1 已在本对话中打开：请说出你想要的修改。修改会以同样的名字保存，现在的内容会保留为一个版本。</translation>
    </message>
    <message>
        <source>Answered after %1</source>
        <translation>已回答（等待 %1）</translation>
    </message>
    <message>
        <source>Copy code</source>
        <translation>复制代码</translation>
    </message>
    <message>
        <source>Creating new %1 %2 chat...</source>
        <translation>正在创建新的%1 %2对话...</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>Failed after %1</source>
        <translation>失败（等待 %1）</translation>
    </message>
    <message>
        <source>Refused after %1</source>
        <translation>被拒绝（等待 %1）</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>重新生成</translation>
    </message>
    <message>
        <source>Show all %1 lines</source>
        <translation>显示全部 %1 行</translation>
    </message>
    <message>
        <source>Stopped after %1</source>
        <translation>已停止（等待 %1）</translation>
    </message>
    <message>
        <source>The backtest had not finished when the chat was last kept.</source>
        <translation>上次保存此对话时，回测尚未完成。</translation>
    </message>
    <message>
        <source>The code generator no longer knew this chat: a new %1 %2 chat continues it from what was said and its program, and your request goes there.</source>
        <translation>代码生成服务已不再记得这个对话：新的 %1 %2 对话将根据之前的内容和程序继续，你的请求会发送到那里。</translation>
    </message>
    <message>
        <source>The code generator no longer knew this chat: a new %1 %2 chat was opened, and your request goes there.</source>
        <translation>代码生成服务已不再记得此对话：已新建一个 %1 %2 对话，你的需求将发送到那里。</translation>
    </message>
    <message>
        <source>The compile had not finished when the chat was last kept.</source>
        <translation>上次保存此对话时，编译尚未完成。</translation>
    </message>
    <message>
        <source>The request takes the place of the earlier one: a new session continues from what was said before it.</source>
        <translation>这个请求取代之前的请求：新的会话将从它之前的内容继续。</translation>
    </message>
    <message>
        <source>The version of %1 is the chat's program again: it is saved and compiled now, and your next request continues from it.</source>
        <translation>%1 的版本重新成为本对话的程序：现在保存并编译，你的下一个请求将从它继续。</translation>
    </message>
    <message>
        <source>This code generator cannot be given the chat's history: it starts from your request alone.</source>
        <translation>这个代码生成服务无法接收对话的历史：它只根据你的请求重新开始。</translation>
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
        <translation>指标</translation>
    </message>
    <message>
        <source>%1 characters, %2 per second</source>
        <translation>%1 个字符，每秒 %2 个</translation>
    </message>
    <message>
        <source>Checking the program...</source>
        <translation>正在检查程序...</translation>
    </message>
    <message>
        <source>Correcting the program...</source>
        <translation>正在修正程序...</translation>
    </message>
    <message>
        <source>Generating code... %1</source>
        <translation>正在生成代码... %1</translation>
    </message>
    <message>
        <source>Waiting for the first lines...</source>
        <translation>正在等待最初几行...</translation>
    </message>
    <message>
        <source>Waiting for the model (number %1 in the queue)...</source>
        <translation>正在等待模型（排队第 %1 位）...</translation>
    </message>
    <message>
        <source>Writing the program...</source>
        <translation>正在编写程序...</translation>
    </message>
</context>
<context>
    <name>LocalService</name>
    <message>
        <source>it did not say it was ready within %1 ms</source>
        <translation>它在 %1 毫秒内没有报告就绪</translation>
    </message>
    <message>
        <source>Another program answers at %1, and it is not a TavrinAI code generator, so the built-in one cannot start there. Close that program, or choose another address in Settings &gt; Code generator…</source>
        <translation>%1 上有其他程序在响应，它不是 TavrinAI 代码生成器，因此内置生成器无法在该地址启动。请关闭该程序，或在“设置 &gt; 代码生成器…”中选择其他地址。</translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation>缺少 %1</translation>
    </message>
    <message>
        <source>it ended with code %1</source>
        <translation>它以代码 %1 退出</translation>
    </message>
    <message>
        <source>it crashed</source>
        <translation>它崩溃了</translation>
    </message>
    <message>
        <source>The built-in code generator at %1 stopped: %2. Restart TavrinAI to start it again.</source>
        <translation>%1 上的内置代码生成器已停止：%2。请重新启动 TavrinAI 以再次启动它。</translation>
    </message>
    <message>
        <source>The built-in code generator was started at %1. It writes programs from its offline templates; Settings &gt; Code generator… chooses a model instead.</source>
        <translation>内置代码生成器已在 %1 启动。它使用离线模板编写程序；可在“设置 &gt; 代码生成器…”中改用模型。</translation>
    </message>
    <message>
        <source>The built-in code generator was started at %1. It asks the first model that %2 lists.</source>
        <translation>内置代码生成器已在 %1 启动。它使用 %2 列出的第一个模型。</translation>
    </message>
    <message>
        <source>The built-in code generator was started at %1. It asks the model %2 at %3.</source>
        <translation>内置代码生成器已在 %1 启动。它使用 %3 上的模型 %2。</translation>
    </message>
    <message>
        <source>The built-in code generator could not be started at %1: %2.</source>
        <translation>无法在 %1 启动内置代码生成器：%2。</translation>
    </message>
</context>
<context>
    <name>ModelServerProbe</name>
    <message>
        <source>“%1” is not the address of a model server; it looks like http://127.0.0.1:11434.</source>
        <translation>“%1”不是模型服务器的地址；地址应类似 http://127.0.0.1:11434。</translation>
    </message>
    <message>
        <source>%1 refused the API key (HTTP %2).</source>
        <translation>%1 拒绝了该 API 密钥（HTTP %2）。</translation>
    </message>
    <message>
        <source>%1 wants an API key (HTTP %2).</source>
        <translation>%1 需要 API 密钥（HTTP %2）。</translation>
    </message>
    <message>
        <source>%1 did not answer within %2 ms.</source>
        <translation>%1 在 %2 毫秒内没有响应。</translation>
    </message>
    <message>
        <source>Nothing answers at %1 (%2).</source>
        <translation>%1 上没有任何响应（%2）。</translation>
    </message>
    <message>
        <source>%1 answers, but not as a model server (HTTP %2 for %3).</source>
        <translation>%1 有响应，但不是模型服务器（%3 返回 HTTP %2）。</translation>
    </message>
    <message>
        <source>%1 answers but lists no model; type the model's name.</source>
        <translation>%1 有响应，但没有列出任何模型；请输入模型名称。</translation>
    </message>
    <message>
        <source>%1 answers and lists these models: %2.</source>
        <translation>%1 有响应，列出了这些模型：%2。</translation>
    </message>
</context>
<context>
    <name>RiskWarnings</name>
    <message>
        <source>Loads the DLL "%1", which runs outside MetaTrader's control with all the rights of your Windows account</source>
        <translation>加载 DLL“%1”：它在 MetaTrader 的控制之外运行，拥有您 Windows 账户的全部权限</translation>
    </message>
    <message>
        <source>Calls %1, which sends data over the internet</source>
        <translation>调用 %1，会通过互联网发送数据</translation>
    </message>
    <message>
        <source>Reads account data (%1) in a program that sends data over the internet: your account's details may leave this computer (heuristic)</source>
        <translation>读取账户数据（%1），而程序会通过互联网发送数据：您的账户信息可能被发送出去（启发式判断）</translation>
    </message>
    <message>
        <source>Opens files with %1, in the folder all terminals share, outside this terminal's own sandbox</source>
        <translation>使用 %1 打开文件，文件位于所有终端共享的文件夹，超出本终端自己的沙盒</translation>
    </message>
    <message>
        <source>%1 opens a trade without a stop loss, and none is set afterwards: its loss has no limit (heuristic)</source>
        <translation>%1 开仓时没有止损，之后也没有设置止损：亏损没有上限（启发式判断）</translation>
    </message>
    <message>
        <source>Multiplies the lot (%1) after a losing trade, a martingale: losses grow geometrically (heuristic)</source>
        <translation>亏损后放大手数（%1），即马丁格尔策略：亏损按几何级数增长（启发式判断）</translation>
    </message>
    <message>
        <source>Opens more orders as the price moves in steps (%1), a grid: the exposure grows with each step the price goes against it (heuristic)</source>
        <translation>价格每移动一个间距就再开一单（%1），即网格策略：价格每向不利方向走一步，持仓风险就扩大一步（启发式判断）</translation>
    </message>
    <message>
        <source>The lot given to %1 is computed at run time and never limited by the symbol's maximum volume or a fixed cap (heuristic)</source>
        <translation>传给 %1 的手数在运行时计算，且从未受品种最大交易量或固定上限的限制（启发式判断）</translation>
    </message>
    <message>
        <source>%1 runs from OnTick without looking at open positions, a new bar or the time: it may send an order on every tick (heuristic)</source>
        <translation>%1 从 OnTick 执行，却不检查持仓、新K线或时间：可能每个报价都下一单（启发式判断）</translation>
    </message>
    <message>
        <source>The result of %1 is never checked: a refused or failed order goes unnoticed</source>
        <translation>从不检查 %1 的结果：被拒绝或失败的订单不会被发现</translation>
    </message>
    <message>
        <source>This %1 loop has no break, return or IsStopped() check: it never ends and freezes the terminal</source>
        <translation>此 %1 循环没有 break、return 或 IsStopped() 检查：它永不结束，会使终端卡死</translation>
    </message>
</context>
<context>
    <name>SecretStore</name>
    <message>
        <source>the credential store did not answer</source>
        <translation>凭据存储没有响应</translation>
    </message>
</context>
<context>
    <name>ChatKeeper</name>
    <message>
        <source>New chat</source>
        <translation>新对话</translation>
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
        <translation>指标</translation>
    </message>
    <message>
        <source>Search chats</source>
        <translation>搜索对话</translation>
    </message>
    <message>
        <source>Rename…</source>
        <translation>重命名…</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>导出…</translation>
    </message>
    <message>
        <source>Delete…</source>
        <translation>删除…</translation>
    </message>
    <message>
        <source>Rename chat</source>
        <translation>重命名对话</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>标题：</translation>
    </message>
    <message>
        <source>Delete chat</source>
        <translation>删除对话</translation>
    </message>
    <message>
        <source>Delete the chat "%1"? The programs it saved in the terminal are kept.</source>
        <translation>删除对话“%1”？它保存到终端的程序会保留。</translation>
    </message>
    <message>
        <source>Open a program…</source>
        <translation>打开程序…</translation>
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
        <translation>（本对话的程序）</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>程序</translation>
    </message>
    <message>
        <source>Difference to the chat's program</source>
        <translation>与本对话程序的差异</translation>
    </message>
    <message>
        <source>Use this version</source>
        <translation>使用此版本</translation>
    </message>
    <message>
        <source>compiled</source>
        <translation>已编译</translation>
    </message>
    <message>
        <source>compile errors: %1</source>
        <translation>编译错误：%1</translation>
    </message>
    <message>
        <source>not compiled: the compiler did not run</source>
        <translation>未编译：编译器没有运行</translation>
    </message>
    <message>
        <source>not compiled</source>
        <translation>未编译</translation>
    </message>
    <message>
        <source>Backtest (demo): %1</source>
        <translation>回测（演示）：%1</translation>
    </message>
    <message>
        <source>Backtest: %1</source>
        <translation>回测：%1</translation>
    </message>
</context>
<context>
    <name>BacktestDialog</name>
    <message>
        <source>Backtest</source>
        <translation>回测</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>运行</translation>
    </message>
    <message>
        <source>Symbol</source>
        <translation>交易品种</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>周期</translation>
    </message>
    <message>
        <source>From</source>
        <translation>开始日期</translation>
    </message>
    <message>
        <source>To</source>
        <translation>结束日期</translation>
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
        <translation>每个报价</translation>
    </message>
    <message>
        <source>1 minute OHLC</source>
        <translation>1 分钟 OHLC</translation>
    </message>
    <message>
        <source>Open prices only</source>
        <translation>仅开盘价</translation>
    </message>
    <message>
        <source>Every tick based on real ticks</source>
        <translation>基于真实报价的每个报价</translation>
    </message>
    <message>
        <source>Control points</source>
        <translation>控制点</translation>
    </message>
</context>
<context>
    <name>BacktestTexts</name>
    <message>
        <source>Trades: none</source>
        <translation>交易：无</translation>
    </message>
    <message>
        <source>Trades: %1, won %2 %</source>
        <translation>交易：%1 笔，盈利 %2 %</translation>
    </message>
    <message>
        <source>Net profit: %1 (deposit %2)</source>
        <translation>净利润：%1（初始存款 %2）</translation>
    </message>
    <message>
        <source>Profit factor: %1</source>
        <translation>盈利因子：%1</translation>
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
        <translation>只能打开 .mq4 和 .mq5 程序</translation>
    </message>
    <message>
        <source>the file is too large for a program</source>
        <translation>文件太大，不像是一个程序</translation>
    </message>
</context>
<context>
    <name>Deployment</name>
    <message>
        <source>the name &quot;%1&quot; must not contain &quot;/&quot; or &quot;\&quot;</source>
        <translation>名称“%1”不能包含“/”或“\”</translation>
    </message>
    <message>
        <source>the name &quot;%1&quot; must not contain &quot;:&quot;</source>
        <translation>名称“%1”不能包含“:”</translation>
    </message>
</context>
<context>
    <name>SourceVersions</name>
    <message>
        <source>cannot create %1</source>
        <translation>无法创建 %1</translation>
    </message>
</context>
</TS>