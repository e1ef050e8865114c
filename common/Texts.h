// The program's own texts, written once in UTF-8. Log lines, the registry and comparisons
// take them in the ANSI code page (GBK) through Gbk(); the dialogs take them as they are.
#pragma once

#include <string>
#include <string_view>

#include "platform/GbkText.h"

namespace texts {

// The text in the ANSI code page.
inline std::string Gbk(std::string_view utf8) {
    return platform::Utf8ToGbk(utf8);
}

// Update check.
inline constexpr std::string_view kOcxVersionNull = "OCX Version Error: NULL.";
inline constexpr std::string_view kSocketInitFailed = "Windows 套接字初始化失败。";  // string 103

// Update decision and stored state.
inline constexpr std::string_view kLocalVersionEmpty = "本地客户端版本号获取失败，为空！";
inline constexpr std::string_view kRegCreateFailed = "创建注册表失败!";
inline constexpr std::string_view kRegWriteFailed = "写入注册表失败!";
inline constexpr std::string_view kRegReadFailed = "读取注册表失败!";

// Component version (the file path follows directly).
inline constexpr std::string_view kVersionInfoSizeFailed = "Get OCXVersion Info Size failed! file:";
inline constexpr std::string_view kVersionInfoFailed = "Get OCXVersion Info failed! file:";

// HTTP engine error texts.
inline constexpr std::string_view kHttpNoMemory = "(*4)No enough memory.";
inline constexpr std::string_view kHttpStatusNotOk =
    "(*5)发送HTTP请求出错(返回不等于HTTP_STATUS_OK)";
inline constexpr std::string_view kHttpProxyAuth = "(*3)您的代理服务器需要用户验证";
inline constexpr std::string_view kHttpOtherAppError = "(*1)Something error during communication.";
inline constexpr std::string_view kHttpCheckLine = "(*5)请检查您的通讯线路";
inline constexpr std::string_view kHttpOtherError = "(*6)Something error during communication.";

// Package extraction.
inline constexpr std::string_view kUnzipOpenArchive = "解压时打开zip文件失败!";
inline constexpr std::string_view kUnzipGlobalInfo = "解压时获取zip文件信息失败!";
inline constexpr std::string_view kUnzipEntryInfo = "解压时解析zip文件信息失败!";
inline constexpr std::string_view kUnzipOpenEntry = "解压时打开源文件失败!";
inline constexpr std::string_view kUnzipOpenTarget = "解压时打开目标文件失败!";
inline constexpr std::string_view kUnzipReadEntry = "解压时读取源文件失败!";
inline constexpr std::string_view kUnzipNextEntry = "解压时读取下一个源文件失败!";

// Publisher signature check.
inline constexpr std::string_view kSigQueryObject = "CryptQueryObject failed";
inline constexpr std::string_view kSigMsgGetParam = "CryptMsgGetParam failed with";
inline constexpr std::string_view kSigSignerInfoMemory =
    "Unable to allocate memory for Signer Info!";
inline constexpr std::string_view kSigFindCertificate = "CertFindCertificateInStore failed with";
inline constexpr std::string_view kSigIssuerName1 = "CertIssuerNameString failed#1";
inline constexpr std::string_view kSigIssuerMemory = "Unable to allocate memory for issuer name";
inline constexpr std::string_view kSigIssuerName2 = "CertGetIssuerNameString failed#2";
inline constexpr std::string_view kSigSubjectName1 = "CertGetSubjectNameString failed#1";
inline constexpr std::string_view kSigSubjectMemory = "Unable to allocate memory for subject name!";
inline constexpr std::string_view kSigSubjectName2 = "CertGetSubjectnameString failed#2";

// Component copy and registration.
inline constexpr std::string_view kCopyFailed =
    "复制HalvoraPortal.ocx文件时失败，请重新启动计算机再安装!";
inline constexpr std::string_view kLoadFailed = "装载HalvoraMain.ocx文件失败!";
inline constexpr std::string_view kRegisterCallFailed = "调用DllRegisterServer 失败#1";
inline constexpr std::string_view kRegisterEntryMissing = "调用DllregisterServer 失败#2";

// Prompt dialog.
inline constexpr std::string_view kPromptTitle = "哈沃拉专业版更新";
inline constexpr std::string_view kAboutMenuItem = "关于 Vorel_Src_V2(&A)...";  // string 101
inline constexpr std::string_view kAboutTitle = "关于 Vorel_Src_V2";
inline constexpr std::string_view kAboutText = "Vorel_Src_V2，1.0 版";
inline constexpr std::string_view kAboutOk = "确定";
inline constexpr std::string_view kClientRunning =
    "专业版程序正在运行，请先关闭专业版再点击升级版本！";
inline constexpr std::string_view kClientRunningCaption = "提示";
inline constexpr std::string_view kConfirmCloseForced = "更新未完成，是否要关闭哈沃拉专业版？";

// Progress dialog.
inline constexpr std::string_view kStatusUpdating = "正在更新 ";
inline constexpr std::string_view kStatusSucceeded = "恭喜您，完成升级！";
inline constexpr std::string_view kStatusFailed = "连接服务器超时，请尝试手动下载";
inline constexpr std::string_view kDialogFontFace = "微软雅黑";

// The client: window titles that receive close requests, and its running marker.
inline constexpr std::string_view kClientMainWindowTitle = "瓦内尔银行哈沃拉专业版";
inline constexpr std::string_view kClientLoginWindowTitle = "专业版用户登录";
inline constexpr std::string_view kClientRunningMarker = "VRNKDMutexRunning201303071120";
inline constexpr std::string_view kClientRunningMarkerText = "Halvora Programme Is Running";

}  // namespace texts
