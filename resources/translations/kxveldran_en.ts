<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>MainDialog</name>
    <message>
        <source>编程器正常</source>
        <translation>READY</translation>
    </message>
    <message>
        <source>另存为..</source>
        <translation>Save as..</translation>
    </message>
    <message>
        <source>装载烧录文件</source>
        <translation>Load code file</translation>
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
        <source>编程方式</source>
        <translation>Programming mode</translation>
    </message>
    <message>
        <source>离线编程</source>
        <translation>Offline programming</translation>
    </message>
    <message>
        <source>次数限制：</source>
        <translation>Count limit:</translation>
    </message>
    <message>
        <source>载入</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>产品信息设定</source>
        <translation>Product information</translation>
    </message>
    <message>
        <source>产品名称：</source>
        <translation>Product name:</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial number:</translation>
    </message>
    <message>
        <source>自动加一</source>
        <translation>Auto +1</translation>
    </message>
    <message>
        <source>存放地址(HEX)：</source>
        <translation>Address (HEX):</translation>
    </message>
    <message>
        <source>编程操作选择</source>
        <translation>Operations</translation>
    </message>
    <message>
        <source>给目标板供电</source>
        <translation>Supply target board</translation>
    </message>
    <message>
        <source>擦除</source>
        <translation>Erase</translation>
    </message>
    <message>
        <source>擦SegA</source>
        <translation>Erase SegA</translation>
    </message>
    <message>
        <source>保护信息Flash</source>
        <translation>Protect info flash</translation>
    </message>
    <message>
        <source>使用产品信息</source>
        <translation>Use product info</translation>
    </message>
    <message>
        <source>编程</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>烧熔丝（加密）</source>
        <translation>Burn fuse (secure)</translation>
    </message>
    <message>
        <source>编程后运行代码</source>
        <translation>Run code after programming</translation>
    </message>
    <message>
        <source>上位机声音提示</source>
        <translation>Sound prompt</translation>
    </message>
    <message>
        <source>升级固件</source>
        <translation>Update firmware</translation>
    </message>
    <message>
        <source>高级加密/BSL密码</source>
        <translation>Vectors / BSL password</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>按地址读(HEX)</source>
        <translation>Read by address (HEX)</translation>
    </message>
    <message>
        <source>按器件读</source>
        <translation>Read by device</translation>
    </message>
    <message>
        <source>起始地址：</source>
        <translation>Start address:</translation>
    </message>
    <message>
        <source>读取长度：</source>
        <translation>Length:</translation>
    </message>
    <message>
        <source>关于 KX_VELDRAN(&amp;A)...</source>
        <translation>&amp;About KX_VELDRAN...</translation>
    </message>
</context>
<context>
    <name>PasswordDialog</name>
    <message>
        <source>高级加密——中断向量</source>
        <translation>Advanced encryption - interrupt vectors</translation>
    </message>
    <message>
        <source>高级加密密码</source>
        <translation>Advanced encryption password (vector table)</translation>
    </message>
    <message>
        <source>注意：高字节在前，有效中断向量无法改动！</source>
        <translation>Note: high byte first; vectors in use cannot be changed!</translation>
    </message>
    <message>
        <source>保存为文件..</source>
        <translation>Save to file..</translation>
    </message>
    <message>
        <source>BSL擦、写、读验证密码</source>
        <translation>BSL password for erase, write and read</translation>
    </message>
    <message>
        <source>从文件载入..</source>
        <translation>Load from file..</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <source>关于 KX_VELDRAN</source>
        <translation>About KX_VELDRAN</translation>
    </message>
    <message>
        <source>MSP430 脱机烧录器控制程序</source>
        <translation>Control program of the MSP430 stand-alone programmer</translation>
    </message>
    <message>
        <source>程序版本 %1</source>
        <translation>Program version %1</translation>
    </message>
    <message>
        <source>版权所有 (C) KX_VELDRAN</source>
        <translation>Copyright (C) KX_VELDRAN</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>UserDialogs</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
