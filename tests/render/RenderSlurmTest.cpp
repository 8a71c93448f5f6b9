// orv-render on Slurm: a one-machine cluster that the test starts itself (munge, slurmctld
// and slurmd from the distribution, as root, everything in a temporary folder on free
// ports, no cgroups), the sample's stretch rendered as a job array and joined, compared
// with a single recording.
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

using namespace orv::test::render;
namespace fs = std::filesystem;

namespace
{

const char* const kDaemons[] = {"/usr/sbin/munged", "/usr/sbin/slurmctld", "/usr/sbin/slurmd",
                                "/usr/bin/sbatch", "/usr/bin/sinfo"};

// A TCP port nobody listens on now.
int FindFreePort()
{
    const int iSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t iSize = sizeof(address);
    int iPort = 0;
    if (bind(iSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(iSocket, reinterpret_cast<sockaddr*>(&address), &iSize) == 0)
    {
        iPort = ntohs(address.sin_port);
    }
    close(iSocket);
    return iPort;
}

// The cluster: started by Start, stopped (every daemon by its own pid file) when it goes.
class CSlurmCluster
{
public:
    explicit CSlurmCluster(const COrvTempDir& dir) : m_sRoot(dir.File("slurm")) {}
    ~CSlurmCluster()
    {
        for (const char* szPid : {"slurmd.pid", "slurmctld.pid", "munged.pid"})
        {
            Stop(m_sRoot + "/run/" + szPid);
        }
    }
    CSlurmCluster(const CSlurmCluster&) = delete;
    CSlurmCluster& operator=(const CSlurmCluster&) = delete;

    std::string Environment() const { return "SLURM_CONF=" + Quote(m_sRoot + "/slurm.conf"); }

    // Starts the daemons and waits for the node; "" or what went wrong.
    std::string Start()
    {
        for (const char* szDir : {"state", "spool", "run"})
        {
            fs::create_directories(m_sRoot + "/" + szDir);
        }
        // The socket's folders must be reachable by every user, as munged checks.
        fs::permissions(m_sRoot, fs::perms::owner_all | fs::perms::group_exec |
                                     fs::perms::others_exec | fs::perms::group_read |
                                     fs::perms::others_read);
        const std::string sKey = m_sRoot + "/munge.key";
        RunCommand("head -c 1024 /dev/urandom > " + Quote(sKey) + " && chmod 600 " + Quote(sKey));
        WriteConfig();
        const std::string sRun = Quote(m_sRoot + "/run");
        const SCommandResult munge =
            RunCommand("/usr/sbin/munged -f --key-file=" + Quote(sKey) + " --socket=" + sRun +
                       "/munge.socket --pid-file=" + sRun +
                       "/munged.pid --log-file=" + Quote(m_sRoot + "/munged.log") +
                       " --seed-file=" + Quote(m_sRoot + "/munged.seed"));
        if (munge.iStatus != 0)
        {
            return "munged: " + munge.sOutput;
        }
        const std::string sConf = Quote(m_sRoot + "/slurm.conf");
        const SCommandResult controller = RunCommand("/usr/sbin/slurmctld -i -f " + sConf);
        const SCommandResult node = RunCommand("/usr/sbin/slurmd -f " + sConf + " -N orvnode");
        if (controller.iStatus != 0 || node.iStatus != 0)
        {
            return "slurmctld/slurmd: " + controller.sOutput + node.sOutput;
        }
        return WaitForNode();
    }

private:
    void WriteConfig() const
    {
        const std::string sHost = RunCommand("hostname -s").sOutput;
        const std::string r = m_sRoot;
        OrvWriteFile(r + "/slurm.conf",
                     "ClusterName=orvtest\n"
                     "SlurmctldHost=" +
                         sHost.substr(0, sHost.find('\n')) +
                         "(127.0.0.1)\n"
                         "SlurmctldPort=" +
                         std::to_string(FindFreePort()) +
                         "\n"
                         "SlurmdPort=" +
                         std::to_string(FindFreePort()) +
                         "\n"
                         "SlurmUser=root\nSlurmdUser=root\n"
                         "AuthType=auth/munge\nCredType=cred/munge\n"
                         "AuthInfo=socket=" +
                         r +
                         "/run/munge.socket\n"
                         "StateSaveLocation=" +
                         r + "/state\nSlurmdSpoolDir=" + r +
                         "/spool\n"
                         "SlurmctldPidFile=" +
                         r +
                         "/run/slurmctld.pid\n"
                         "SlurmdPidFile=" +
                         r +
                         "/run/slurmd.pid\n"
                         "SlurmctldLogFile=" +
                         r + "/slurmctld.log\nSlurmdLogFile=" + r +
                         "/slurmd.log\n"
                         "ProctrackType=proctrack/linuxproc\nTaskPlugin=task/none\n"
                         "JobAcctGatherType=jobacct_gather/none\n"
                         "AccountingStorageType=accounting_storage/none\n"
                         "SelectType=select/cons_tres\nSelectTypeParameters=CR_CPU\n"
                         "MpiDefault=none\nReturnToService=2\nSchedulerType=sched/builtin\n"
                         "NodeName=orvnode NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN\n"
                         "PartitionName=orv Nodes=orvnode Default=YES MaxTime=INFINITE State=UP\n");
    }

    std::string WaitForNode() const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::string sState;
        while (std::chrono::steady_clock::now() < deadline)
        {
            sState = RunCommand(Environment() + " sinfo -h -o %t").sOutput;
            if (sState.rfind("idle", 0) == 0)
            {
                return "";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        return "the node never came up (sinfo says \"" + sState + "\"); see " + m_sRoot;
    }

    static void Stop(const std::string& sPidFile)
    {
        const std::string sPid = OrvReadFile(sPidFile);
        const pid_t pid = static_cast<pid_t>(std::atoi(sPid.c_str()));
        if (pid <= 1)
        {
            return;
        }
        kill(pid, SIGTERM);
        for (int i = 0; i < 100 && kill(pid, 0) == 0; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (kill(pid, 0) == 0)
        {
            kill(pid, SIGKILL);
        }
    }

    std::string m_sRoot;
};

} // namespace

TEST(RenderSlurmTest, JobArrayRenderEqualsTheSingleRecording)
{
    if (geteuid() != 0)
    {
        GTEST_SKIP() << "the test cluster's daemons run as root: run this test as root";
    }
    for (const char* szProgram : kDaemons)
    {
        if (access(szProgram, X_OK) != 0)
        {
            GTEST_SKIP() << szProgram << " is missing: install munge, slurmctld, slurmd and "
                         << "slurm-client (scripts/install-deps.sh)";
        }
    }
    COrvTempDir dir("render_slurm");
    CSlurmCluster cluster(dir);
    const std::string sProblem = cluster.Start();
    ASSERT_EQ(sProblem, "");

    const SCommandResult single = RecordStretch(dir.File("single.avi"));
    ASSERT_EQ(single.iStatus, 0) << single.sOutput;
    ASSERT_EQ(RunRender("plan " + Quote(kSample) + " " + kStretch + " --segments 4 --out " +
                        Quote(dir.File("plan")))
                  .iStatus,
              0);
    // The job that dies on its first attempt is submitted again, alone.
    const SCommandResult run = RunCommand(
        cluster.Environment() + " ORV_PLAYER=" + Quote(WriteKillingPlayer(dir, 2)) + " " +
        Quote(ORV_RENDER_PATH) + " run " + Quote(dir.File("plan")) + " --with slurm -- --time=20");
    ASSERT_EQ(run.iStatus, 0) << run.sOutput;
    EXPECT_NE(OrvReadFile(dir.File("plan/logs/seg-0002.log")).find("killed by signal 9"),
              std::string::npos);
    const SCommandResult join =
        RunRender("join " + Quote(dir.File("plan")) + " " + Quote(dir.File("joined.mkv")));
    ASSERT_EQ(join.iStatus, 0) << join.sOutput;
    const std::string sFrames = DigestFrames(dir.File("joined.mkv"), true);
    EXPECT_EQ(CountFrameLines(sFrames), static_cast<size_t>(kStretchFrames));
    EXPECT_EQ(sFrames, DigestFrames(dir.File("single.avi"), true));
    const SCommandResult sound = RunCommand("ffprobe -v error -select_streams a:0 -show_entries "
                                            "stream=codec_name -of csv=p=0 " +
                                            Quote(dir.File("joined.mkv")));
    EXPECT_NE(sound.sOutput.find("opus"), std::string::npos) << sound.sOutput;
}
