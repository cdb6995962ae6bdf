<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>BrevanQt</name>
    <message>
        <source>%1 %2 generated successfully!
Compiling...</source>
        <translation>%1 %2生成成功！
💡 准备自动编译...</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>About TavrinAI</source>
        <translation>关于 TavrinAI</translation>
    </message>
    <message>
        <source>Cannot start compiler!</source>
        <translation>无法启动编译器！</translation>
    </message>
    <message>
        <source>Cannot write file: %1</source>
        <translation>无法写入文件：%1</translation>
    </message>
    <message>
        <source>Code saved to: %1</source>
        <translation>代码已保存到文件：%1</translation>
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
        <source>Creating new %1 %2 chat...</source>
        <translation>正在创建新的%1 %2聊天...</translation>
    </message>
    <message>
        <source>Current version: %1&lt;br&gt;Minimum required: %2&lt;br&gt;&lt;br&gt;Please download the latest version.</source>
        <translation>当前版本：%1&lt;br&gt;最低要求：%2&lt;br&gt;&lt;br&gt;请下载最新版本后再使用。</translation>
    </message>
    <message>
        <source>EA</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>Failed to create session: %1</source>
        <translation>新建会话失败：%1</translation>
    </message>
    <message>
        <source>Generating code...</source>
        <translation>正在生成代码...</translation>
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
        <source>Invalid platform path!</source>
        <translation>平台路径无效，请检查输入！</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Name cannot be empty!</source>
        <translation>请输入指标或者EA名字，名字不能为空！</translation>
    </message>
    <message>
        <source>Platform path verified!</source>
        <translation>平台路径验证成功！</translation>
    </message>
    <message>
        <source>Please enter your request!</source>
        <translation>请输入需求！</translation>
    </message>
    <message>
        <source>Request failed: %1</source>
        <translation>请求失败：%1</translation>
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
        <source>Version Too Low</source>
        <translation>版本过低</translation>
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
        <source>indicators</source>
        <translation>指标</translation>
    </message>
    <message>
        <source>EAs</source>
        <translation>EA</translation>
    </message>
    <message>
        <source>This chat writes %1 %2. Press New Chat to start a chat for %3 %4.</source>
        <translation>此对话编写的是 %1 %2。请点击“新建对话”，开始一个编写 %3 %4 的对话。</translation>
    </message>
    <message>
        <source>The compiler finished but left no log.</source>
        <translation>编译器已运行结束，但没有留下日志。</translation>
    </message>
    <message>
        <source>Ask to fix these errors</source>
        <translation>请求修复这些错误</translation>
    </message>
    <message>
        <source>The program does not compile. Please fix these errors:</source>
        <translation>程序无法编译，请修复以下错误：</translation>
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
        <source>You</source>
        <translation>你</translation>
    </message>
    <message>
        <source>Cannot save the conversation: %1</source>
        <translation>无法保存对话：%1</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Code generator…</source>
        <translation>代码生成器…</translation>
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
        <source>No credential store answers on this computer (%1): the key cannot be kept, and is used only until TavrinAI closes.</source>
        <translation>此计算机上没有可用的凭据存储（%1）：无法保存密钥，它只在 TavrinAI 关闭前有效。</translation>
    </message>
    <message>
        <source>The administrator set the code generator&apos;s address in config.json: %1.</source>
        <translation>管理员已在 config.json 中设置代码生成器的地址：%1。</translation>
    </message>
    <message>
        <source>Asking %1…</source>
        <translation>正在询问 %1…</translation>
    </message>
</context>
<context>
    <name>CompilerRun</name>
    <message>
        <source>Cannot compile through Wine: &quot;%1&quot; holds the character %2, which cannot be passed to the compiler. Please choose a name without it.</source>
        <translation>无法通过 Wine 编译：“%1”含有字符 %2，该字符无法传给编译器。请换一个不含该字符的名称。</translation>
    </message>
    <message>
        <source>Cannot start compiler: %1 is a Windows program and needs Wine, but &quot;%2&quot; was not found. Install Wine (Debian, Ubuntu: sudo apt install wine wine64) or set TAVRIN_WINE to the Wine program to use.</source>
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
</context>
<context>
    <name>LocalService</name>
    <message>
        <source>it did not say it was ready within %1 ms</source>
        <translation>它在 %1 毫秒内没有报告就绪</translation>
    </message>
    <message>
        <source>A code generator that TavrinAI did not start answers at %1. It is used as it is; the choice in Settings &gt; Code generator… applies to one that TavrinAI starts itself.</source>
        <translation>%1 上有一个并非由 TavrinAI 启动的代码生成器在响应。将按原样使用它；“设置 &gt; 代码生成器…”中的选择只对 TavrinAI 自己启动的生成器有效。</translation>
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
        <source>%1 answers but lists no model; type the model&apos;s name.</source>
        <translation>%1 有响应，但没有列出任何模型；请输入模型名称。</translation>
    </message>
    <message>
        <source>%1 answers and lists these models: %2.</source>
        <translation>%1 有响应，列出了这些模型：%2。</translation>
    </message>
</context>
<context>
    <name>SecretStore</name>
    <message>
        <source>the credential store did not answer</source>
        <translation>凭据存储没有响应</translation>
    </message>
</context>
</TS>
