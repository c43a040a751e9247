<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>FileListModel</name>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
</context>
<context>
    <name>FormatLabels</name>
    <message>
        <source>AVI(Windows Media Player格式)</source>
        <translation>AVI (Windows Media Player)</translation>
    </message>
    <message>
        <source>MP4(高清MPEG4格式)</source>
        <translation>MP4 (HD MPEG-4)</translation>
    </message>
    <message>
        <source>MOV(QuickTime格式)</source>
        <translation>MOV (QuickTime)</translation>
    </message>
    <message>
        <source>MP4(手机MP4格式)</source>
        <translation>MP4 (for phones)</translation>
    </message>
    <message>
        <source>3GP(手机3GP格式)</source>
        <translation>3GP (for phones)</translation>
    </message>
    <message>
        <source>MP3(纯音频格式)</source>
        <translation>MP3 (audio only)</translation>
    </message>
    <message>
        <source>FLAC(无损音频格式)</source>
        <translation>FLAC (lossless audio)</translation>
    </message>
    <message>
        <source>Opus(高效音频格式)</source>
        <translation>Opus (efficient audio)</translation>
    </message>
    <message>
        <source>AAC(M4A音频格式)</source>
        <translation>AAC (M4A audio)</translation>
    </message>
    <message>
        <source>Ogg Vorbis(开放音频格式)</source>
        <translation>Ogg Vorbis (open audio format)</translation>
    </message>
    <message>
        <source>单声道</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>双声道</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>原始频率</source>
        <translation>Same as source</translation>
    </message>
    <message>
        <source>原始声道</source>
        <translation>Same as source</translation>
    </message>
    <message>
        <source>原始大小</source>
        <translation>Original size</translation>
    </message>
    <message>
        <source>MP3 - 音乐声音格式</source>
        <translation>MP3 - common music format</translation>
    </message>
    <message>
        <source>FLAC - 无损音频格式</source>
        <translation>FLAC - lossless audio</translation>
    </message>
    <message>
        <source>Opus - 高效音频格式</source>
        <translation>Opus - efficient audio</translation>
    </message>
    <message>
        <source>AAC - M4A音频格式</source>
        <translation>AAC - M4A audio</translation>
    </message>
    <message>
        <source>Ogg Vorbis - 开放音频格式</source>
        <translation>Ogg Vorbis - open format</translation>
    </message>
</context>
<context>
    <name>HelpAbout</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>MainCommands</name>
    <message>
        <source>添加文件</source>
        <translation>Add File...</translation>
    </message>
    <message>
        <source>添加文件夹</source>
        <translation>Add Folder...</translation>
    </message>
    <message>
        <source>退出程序</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>移除选中文件</source>
        <translation>Remove Selected Files</translation>
    </message>
    <message>
        <source>移除全部</source>
        <translation>Remove All</translation>
    </message>
    <message>
        <source>提示设置</source>
        <translation>Options...</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>立刻开始转换！</source>
        <translation>Convert now!</translation>
    </message>
</context>
<context>
    <name>ProgressText</name>
    <message>
        <source>完成 100%</source>
        <translation>Finished 100%</translation>
    </message>
    <message>
        <source>创建中%1 %2%</source>
        <extracomment>%1 is the activity glyph (one of - | / and a backslash), %2 the percentage</extracomment>
        <translation>Encoding %1 %2%</translation>
    </message>
    <message>
        <source>结束 100%</source>
        <translation>Done 100%</translation>
    </message>
    <message>
        <source>转换中%1 %2%</source>
        <extracomment>%1 is the activity glyph (one of - | / and a backslash), %2 the percentage</extracomment>
        <translation>Converting %1 %2%</translation>
    </message>
    <message>
        <source>总进度 %1%</source>
        <extracomment>%1 is the percentage of the whole run</extracomment>
        <translation>Overall %1%</translation>
    </message>
    <message>
        <source>以下文件转换失败：</source>
        <translation>These files could not be converted:</translation>
    </message>
    <message>
        <source>……还有 %1 个文件</source>
        <extracomment>%1 is a number of files</extracomment>
        <translation>... and %1 more</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>APE声音文件(*.APE, *.ape)|*.ape|CUE文件(*.cue)|*.cue|所有格式文件(*.*)|*.*</source>
        <extracomment>Descriptions and patterns in pairs, split by |; a translation keeps the patterns as they are</extracomment>
        <translation>APE audio files (*.APE, *.ape)|*.ape|CUE sheets (*.cue)|*.cue|All files (*.*)|*.*</translation>
    </message>
    <message>
        <source>选择一个文件夹:</source>
        <translation>Choose a folder:</translation>
    </message>
    <message>
        <source>搜索文件...</source>
        <translation>Searching for files...</translation>
    </message>
    <message>
        <source>拖拽文件到这里开始转换</source>
        <translation>Drop files here</translation>
    </message>
    <message>
        <source>以下文件无法使用：</source>
        <translation>These files cannot be used:</translation>
    </message>
    <message>
        <source>注意：</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add Files</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>Add File</translation>
    </message>
    <message>
        <source>添加文件夹</source>
        <translation>Add Folder</translation>
    </message>
    <message>
        <source>移除文件</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>提示设置</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>退出程序</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>输出格式：</source>
        <translation>Output format:</translation>
    </message>
    <message>
        <source>声音频率：</source>
        <translation>Sample rate:</translation>
    </message>
    <message>
        <source>声音比特率：</source>
        <translation>Bit rate:</translation>
    </message>
    <message>
        <source>声道：</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>输出路径：</source>
        <translation>Output folder:</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>立刻开始转换！</source>
        <translation>Convert now!</translation>
    </message>
    <message>
        <source>意见反馈</source>
        <translation>Feedback</translation>
    </message>
    <message>
        <source>视频尺寸：</source>
        <translation>Video size:</translation>
    </message>
    <message>
        <source>视频比特率：</source>
        <translation>Video bit rate:</translation>
    </message>
    <message>
        <source>帧率：</source>
        <translation>Frame rate:</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>文件操作</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>输出格式</source>
        <translation>Output Format</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>请先添加一个文件</source>
        <translation>Add a file first.</translation>
    </message>
    <message>
        <source>部分文件转换失败</source>
        <translation>Some files could not be converted</translation>
    </message>
    <message>
        <source>转换</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>停止转换</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>请选择一个文件夹:</source>
        <translation>Choose the output folder:</translation>
    </message>
</context>
<context>
    <name>frmMenu</name>
    <message>
        <source>添加文件(&amp;A)</source>
        <translation>&amp;Add File...</translation>
    </message>
    <message>
        <source>添加目录(&amp;F)</source>
        <translation>Add &amp;Folder...</translation>
    </message>
    <message>
        <source>退出(&amp;E)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>设置(&amp;O)</source>
        <translation>&amp;Options...</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>关于(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>移除选择项</source>
        <translation>Remove Selected</translation>
    </message>
    <message>
        <source>移除全部</source>
        <translation>Remove All</translation>
    </message>
    <message>
        <source>输出格式</source>
        <translation>Output Format</translation>
    </message>
</context>
<context>
    <name>frmOptions</name>
    <message>
        <source>选项设置</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>转换完毕声音提示</source>
        <translation>Sound when done</translation>
    </message>
    <message>
        <source>同时转换文件数</source>
        <translation>Files at once</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>分钟</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>分钟必须小于60</source>
        <translation>Minutes must be less than 60.</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>Seconds</translation>
    </message>
    <message>
        <source>秒必须小于60</source>
        <translation>Seconds must be less than 60.</translation>
    </message>
</context>
<context>
    <name>frmSuggest</name>
    <message>
        <source>您的EMAIL?</source>
        <translation>Email?</translation>
    </message>
    <message>
        <source>建议和意见</source>
        <translation>Suggestions and Feedback</translation>
    </message>
    <message>
        <source>姓名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>EMAIL：</source>
        <translation>Email:</translation>
    </message>
    <message>
        <source>留言：</source>
        <translation>Message:</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>您的姓名？</source>
        <translation>Name?</translation>
    </message>
    <message>
        <source>您的Email？</source>
        <translation>Email?</translation>
    </message>
    <message>
        <source>您的意见？</source>
        <translation>Message?</translation>
    </message>
    <message>
        <source>正在发送...</source>
        <translation>Sending...</translation>
    </message>
    <message>
        <source>完毕.</source>
        <translation>Done.</translation>
    </message>
</context>
</TS>
