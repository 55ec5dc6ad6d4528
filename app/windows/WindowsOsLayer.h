#pragma once

#include "app/OsLayer.h"

#include <array>
#include <string>

// The operating system as Windows offers it. Each declared function is looked up in its
// library at its first call and its address is kept from then on; a library or entry
// point that cannot be found raises a RuntimeError at that call, and again at the next.
class WindowsOsLayer : public OsLayer {
public:
    enum Function {
        CreateToolhelp32SnapshotFunction,
        Process32FirstFunction,
        Process32NextFunction,
        CloseHandleFunction,
        OpenProcessFunction,
        TerminateProcessFunction,
        ShellExecuteAFunction,
        GetProcessTimesFunction,
        GetSystemTimeAsFileTimeFunction,
        FunctionCount
    };

    // A library, as the program declares it, and the entry point looked up in it.
    struct Declaration {
        std::string library;
        std::string entryPoint;
    };
    using Declarations = std::array<Declaration, FunctionCount>;

    static Declarations programDeclarations();

    explicit WindowsOsLayer(Declarations declarations = programDeclarations());

    HANDLE CreateToolhelp32Snapshot(std::int32_t dwFlags, std::int32_t th32ProcessID) override;
    std::int32_t Process32First(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) override;
    std::int32_t Process32Next(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) override;
    std::int32_t CloseHandle(HANDLE hObject) override;
    HANDLE OpenProcess(std::int32_t dwDesiredAccess, std::int32_t bInheritHandle,
                       std::int32_t dwProcessId) override;
    std::int32_t TerminateProcess(HANDLE hProcess, std::int32_t uExitCode) override;
    std::int32_t GetProcessTimes(HANDLE hProcess, basDeclares::FILETIME& lpCreationTime,
                                 basDeclares::FILETIME& lpExitTime,
                                 basDeclares::FILETIME& lpKernelTime,
                                 basDeclares::FILETIME& lpUserTime) override;
    void GetSystemTimeAsFileTime(basDeclares::FILETIME& lpSystemTimeAsFileTime) override;
    std::int32_t GetLastError() override { return lastError_; }
    HINSTANCE ShellExecuteA(HWND hwnd, const char* lpOperation, const char* lpFile,
                            const char* lpParameters, const char* lpDirectory,
                            std::int32_t nShowCmd) override;
    bool StartCommandLine(const std::string& commandLine, std::int32_t windowStyle) override;

private:
    using Address = void (*)();

    Address address(Function function);
    // The system's last error, kept as the call that set it returned, so that nothing the
    // program does before it asks can change it.
    template <typename Result> Result keepError(Result result);
    std::int32_t enumerate(Function function, HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe);

    Declarations declarations_;
    std::array<Address, FunctionCount> addresses_{};
    std::int32_t lastError_ = 0;
};
