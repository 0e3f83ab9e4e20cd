// The SCPI command tree over the real generator session (virtual output device): settings read
// back what is in force, refused values keep the setting and queue their code, the header path
// rule, the error queue and status bytes, and the transport through the session.
#include "session/ScpiInstrument.h"
#include "session/SessionScpiHost.h"
#include "tests/session/SessionFixture.h"

#include <gtest/gtest.h>

using namespace quavril;

namespace {

class ScpiTest : public test::SessionFixture {
protected:
    void SetUp() override {
        SessionFixture::SetUp();
        host = std::make_unique<SessionScpiHost>(*session);
        scpi = std::make_unique<ScpiInstrument>(*host, "Orvande,Quavril,test:5025,3.92");
    }
    std::string Run(const std::string& line) { return scpi->Execute(line); }

    std::unique_ptr<SessionScpiHost> host;
    std::unique_ptr<ScpiInstrument> scpi;
};

struct SettingCase {
    const char* Set;
    const char* Query;
    const char* Answer;
    const char* Stored = nullptr; // the control written, by its stored name
    const char* StoredValue = nullptr;
};

class ScpiSettings : public ScpiTest, public ::testing::WithParamInterface<SettingCase> {};

// Short and long forms in any case, units, MINimum/MAXimum, the header path rule; the answer
// is the control's value after its handlers ran (rounded as the window's fields round).
TEST_P(ScpiSettings, queryAnswersWhatIsInForce) {
    const SettingCase& c = GetParam();
    EXPECT_EQ(Run(c.Set), "") << c.Set;
    EXPECT_EQ(Run(c.Query), c.Answer) << c.Set;
    EXPECT_EQ(scpi->NextError(), "0,\"No error\"") << c.Set;
    if (c.Stored) {
        EXPECT_EQ(Value(c.Stored), c.StoredValue) << c.Set;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ScpiSettings,
    ::testing::Values(
        SettingCase{"SOUR1:FREQ 1234.5", "FREQ?", "1234.5", "fInitLeft", "1234.5"},
        SettingCase{"frequency 1.5 kHz", "SOURCE:FREQ:CW?", "1500", "fInitLeft", "1500"},
        SettingCase{"sour2:freq:star 440HZ", "SOUR2:FREQ:STAR?", "440", "fInitRight", "440"},
        SettingCase{"FREQ 1000.12345", "FREQ?", "1000.12347", "fInitLeft", "1000.12347"},
        SettingCase{"FREQ:STOP MAX", "FREQ:STOP?;STOP? MIN", "22050;0.1", "fFinalLeft", "22050"},
        SettingCase{"SOUR2:VOLT -12 DBFS", "SOUR2:VOLT?", "-12", "AmplitudeRight", "-12"},
        SettingCase{"VOLT:LEV:IMM:AMPL -12.5", "VOLT?;VOLT:UNIT?", "-12;DBFS", "AmplitudeLeft",
                    "-12"},
        SettingCase{"VOLT MIN", "VOLT?", "-100", "AmplitudeLeft", "-100"},
        SettingCase{"FUNC squ", "FUNC?", "SQU", "WaveFormLeft", "1"},
        SettingCase{"SOUR2:FUNC:SHAPE NPULSE", "SOUR2:FUNC?", "NPUL", "WaveFormRight", "8"},
        SettingCase{"FUNC RAMP;FUNC PINK", "FUNC?", "PINK", "WaveFormLeft", "5"},
        SettingCase{"SWE:STAT ON", "SWE:STAT?", "1", "chkConstantLeft", "0"},
        SettingCase{"SOUR2:SWE:SPAC LIN", "SOUR2:SWE:SPAC?", "LIN", "LogarithmicRight", "0"},
        SettingCase{"SWEEP:TIME 2.5", "SOUR2:SWE:TIME?", "2.5", "Duration", "2.5"},
        SettingCase{"SWE:TIME 500 MS", "SWE:TIME?", "0.5", "Duration", "0.5"},
        SettingCase{"AM:STAT 1", "AM:STAT?", "1", "ModulationOnLeft", "1"},
        SettingCase{"SOUR2:AM:DEPT 37.5 PCT", "SOUR2:AM:DEPT?", "37.5", "ModDepthRightEdit",
                    "37.5"},
        SettingCase{"AM:INT:FUNC TRIANGLE", "AM:INT:FUNC?", "TRI", "ModFunctionLeft", "3"},
        SettingCase{"AM:INT:FREQ 4", "AM:INT:FREQ?", "4", "ModPeriodLeftEdit", "0.25"},
        SettingCase{"AM:INT:FREQ 3", "AM:INT:FREQ?", "3.003003003003", "ModPeriodLeftEdit",
                    "0.333"},
        SettingCase{"OUTP:MODE STER;:SOUR2:PHAS 33.333", "SOUR2:PHAS?;:SOUR1:PHAS?", "33.33;0",
                    "PhaseEdit", "33.33"},
        SettingCase{"OUTP:MODE STEREO;:SOUR2:STAT OFF", "SOUR2:STAT?;:STAT?;:OUTP:MODE?",
                    "0;1;STER", "RightTick", "0"},
        SettingCase{"OUTP:LOOP ON", "OUTP:LOOP?", "1", "Loop", "1"},
        SettingCase{"OUTP:SRAT 48000", "OUTP:SRAT?;:FREQ? MAX", "48000;24000"},
        SettingCase{"OUTP:FORM S24;DITH TPDF;BLIM ON;FADE 10 MS", "OUTP:FORM?;DITH?;BLIM?;FADE?",
                    "S24;TPDF;1;0.01"},
        // The path: after SOUR2:FREQ the next header continues in SOUR2; after a common
        // command too; a leading ':' starts at the root again.
        SettingCase{"SOUR2:FREQ 500;VOLT -6;*WAI;AM:DEPT 20", "SOUR2:VOLT?;AM:DEPT?", "-6;20",
                    "AmplitudeRight", "-6"},
        SettingCase{"SOUR2:FREQ:STAR 100;STOP 2000;:VOLT -3", "SOUR2:FREQ:STOP?;:VOLT?", "2000;-3",
                    "AmplitudeLeft", "-3"}));

struct RefusalCase {
    const char* Line;
    int Code;
    const char* Query; // answers the same before and after
};

class ScpiRefusals : public ScpiTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ScpiRefusals, queueTheCodeAndKeepTheSetting) {
    const RefusalCase& c = GetParam();
    const std::string before = Run(c.Query);
    Run(c.Line);
    const std::string error = scpi->NextError();
    EXPECT_EQ(error.substr(0, error.find(',')), std::to_string(c.Code)) << c.Line << ": " << error;
    EXPECT_EQ(scpi->NextError(), "0,\"No error\"") << c.Line;
    EXPECT_EQ(Run(c.Query), before) << c.Line;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ScpiRefusals,
    ::testing::Values(
        RefusalCase{"FREQ 0.05", -222, "FREQ?"}, RefusalCase{"FREQ 22050.01", -222, "FREQ?"},
        RefusalCase{"SOUR2:VOLT 3", -222, "SOUR2:VOLT?"}, RefusalCase{"VOLT -100.5", -222, "VOLT?"},
        RefusalCase{"AM:DEPT 101", -222, "AM:DEPT?"},
        RefusalCase{"OUTP:FADE 2", -222, "OUTP:FADE?"}, RefusalCase{"*RCL 5", -222, "FREQ?"},
        RefusalCase{"FREQ 1 KV", -131, "FREQ?"}, RefusalCase{"FREQ ABC", -104, "FREQ?"},
        RefusalCase{"FREQ 'x'", -104, "FREQ?"}, RefusalCase{"FUNC TRIANG", -224, "FUNC?"},
        RefusalCase{"SWE:STAT MAYBE", -224, "SWE:STAT?"},
        RefusalCase{"OUTP:SRAT 44000", -224, "OUTP:SRAT?"},
        RefusalCase{"SOUR2:PHAS 45", -221, "SOUR2:PHAS?"}, // mono
        RefusalCase{"OUTP:MODE STER;:SOUR1:PHAS 45", -221, "SOUR2:PHAS?"},
        RefusalCase{"SOUR3:FREQ 100", -114, "FREQ?"}, RefusalCase{"FREQX 100", -113, "FREQ?"},
        RefusalCase{"SYST:ERR", -113, "FREQ?"}, RefusalCase{"FREQ", -109, "FREQ?"},
        RefusalCase{"FREQ 1,2", -108, "FREQ?"}, RefusalCase{"FREQ,1", -103, "FREQ?"},
        RefusalCase{"FREQ@1", -101, "FREQ?"}, RefusalCase{"FREQ \"100", -150, "FREQ?"},
        RefusalCase{"FREQUENCYFREQUENCY 100", -112, "FREQ?"},
        RefusalCase{"FREQ 1e99999", -120, "FREQ?"}));

// A command error ends the line (the level after it is not set); a refused value does not.
TEST_F(ScpiTest, commandErrorEndsTheLineButARefusedValueDoesNot) {
    EXPECT_EQ(Run("VOLT -6;BOGUS;VOLT -9;FREQ?"), "");
    EXPECT_EQ(Run("VOLT?"), "-6");
    EXPECT_EQ(Run("VOLT 5;VOLT -9;FREQ?"), "1000");
    EXPECT_EQ(Run("VOLT?"), "-9");
    EXPECT_EQ(scpi->NextError(), "-113,\"Undefined header\"");
    EXPECT_EQ(scpi->NextError(), "-222,\"Data out of range;-100 to 0\"");
}

// The queue keeps its oldest errors and says when some were lost; the event register and the
// status byte follow IEEE 488.2 and are cleared as it says.
TEST_F(ScpiTest, errorQueueAndStatusBytes) {
    EXPECT_EQ(Run("*IDN?"), "Orvande,Quavril,test:5025,3.92");
    EXPECT_EQ(Run("*STB?;*ESR?"), "0;0");
    Run("BOGUS");
    EXPECT_EQ(Run("*STB?;SYST:ERR:COUN?"), "4;1");
    EXPECT_EQ(Run("*ESR?;*ESR?"), "32;0");
    Run("VOLT 1");
    EXPECT_EQ(Run("*ESE 16;*ESE?;*STB?"), "16;36");
    EXPECT_EQ(Run("*SRE 32;*STB?"), "100");
    EXPECT_EQ(Run("*CLS;*STB?;*ESR?;SYST:ERR?"), "0;0;0,\"No error\"");
    EXPECT_EQ(Run("*OPC;*ESR?;*OPC?"), "1;1");

    for (int i = 0; i < 20; ++i)
        Run("NOPE" + std::to_string(i));
    EXPECT_EQ(Run("SYST:ERR:COUN?"), "16");
    for (size_t i = 0; i + 1 < ScpiInstrument::QueueSize; ++i)
        EXPECT_EQ(Run("SYSTEM:ERROR:NEXT?"), "-113,\"Undefined header\"");
    EXPECT_EQ(Run("SYST:ERR?"), "-350,\"Queue overflow\"");
    EXPECT_EQ(Run("SYST:ERR?"), "0,\"No error\"");
}

TEST_F(ScpiTest, memorySlotsAndResetGoThroughTheSession) {
    EXPECT_EQ(Run("FREQ 777;VOLT -7;*SAV 2;*RST;FREQ?;VOLT?"), "1000;0");
    EXPECT_EQ(Run("*RCL 2;FREQ?;VOLT?"), "777;-7");
    EXPECT_EQ(session->Bank().Slot(2).fInitLeft, "777");
    EXPECT_EQ(Run("SYST:ERR?"), "0,\"No error\"");
}

TEST_F(ScpiTest, outputIsTheTransportAndHonoursSync) {
    EXPECT_EQ(Run("OUTP ON;OUTP?"), "1");
    EXPECT_TRUE(session->Playing());
    EXPECT_EQ(Run("OUTP:PAUS ON;PAUS?;PAUS ON;PAUS?"), "1;1");
    EXPECT_TRUE(session->Paused());
    // The channel list is locked while playing; an output setting switches off.
    Run("OUTP:MODE STER");
    EXPECT_EQ(scpi->NextError().substr(0, 4), "-221");
    EXPECT_EQ(Run("OUTP:FORM F32;:OUTP?;:OUTP:FORM?"), "0;F32");
    EXPECT_EQ(Run("*RST;OUTP:PAUS?"), "0");

    std::vector<int32_t> sent;
    session->SetBroadcaster([&](MessageCode code) {
        sent.push_back(CodeOf(code));
        session->Dispatch(code, 0, 0);
    });
    session->SetSync(true);
    EXPECT_EQ(Run("OUTP ON;OUTP?;OUTP:PAUS 1;:OUTP OFF;OUTP?"), "1;0");
    EXPECT_EQ(sent, (std::vector<int32_t>{1024, 1026, 1025}));
}

TEST_F(ScpiTest, aFailedStartIsQueuedWithItsMessage) {
    device->FailOpen(2);
    EXPECT_EQ(Run("OUTP ON;OUTP?"), "0");
    const std::string error = scpi->NextError();
    EXPECT_EQ(error.rfind("-240,\"Hardware error;Sound Device Error:", 0), 0u) << error;
    EXPECT_EQ(error.find('\r'), std::string::npos);
}

} // namespace
