#include "image/read_reason.h"

#include <cerrno>
#include <cstring>

namespace kx::image {

std::string ReadReasonText(const ReadFailure& failure, UiLanguage language) {
    const bool chinese = language == UiLanguage::Chinese;
    const std::string system = std::strerror(failure.errorNumber);
    switch (failure.problem) {
        case ReadProblem::Folder:
            return chinese ? "这是一个文件夹，不是文件" : "it is a folder, not a file";
        case ReadProblem::NotRegular:
            return chinese ? "这不是普通文件（而是设备、管道或套接字）"
                           : "it is not a regular file (a device, FIFO or socket)";
        case ReadProblem::TooLarge:
            return chinese ? "文件太大（" + std::to_string(failure.size) + " 字节，最多 " +
                                 std::to_string(failure.limit) + " 字节）"
                           : "it is too large (" + std::to_string(failure.size) +
                                 " bytes; at most " + std::to_string(failure.limit) + ")";
        case ReadProblem::CannotOpen:
            if (failure.errorNumber == ENOENT || failure.errorNumber == ENOTDIR) {
                return chinese ? "文件不存在" : "it does not exist";
            }
            if (failure.errorNumber == EACCES || failure.errorNumber == EPERM) {
                return chinese ? "没有读取权限" : "permission denied";
            }
            return chinese ? "无法打开（" + system + "）" : "cannot open it (" + system + ")";
        case ReadProblem::ReadFailed:
            break;
    }
    return chinese ? "读取出错（" + system + "）" : "read error (" + system + ")";
}

}  // namespace kx::image
