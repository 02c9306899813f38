// Test helper: after a short pause, writes its working directory and its arguments (from the
// second on) into the file named by its first argument, one per line.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    // The pause shows whether the caller waited for the end.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const std::string target = argv[1];
    const std::string temp = target + ".part";
    {
        std::ofstream out(temp, std::ios::binary);
        out << "cwd=" << std::filesystem::current_path().string() << "\n";
        for (int i = 2; i < argc; ++i)
            out << "arg=" << argv[i] << "\n";
        if (!out)
            return 1;
    }
    // Renamed when complete, so that a reader never sees half of it.
    std::filesystem::rename(temp, target);
    return 0;
}
