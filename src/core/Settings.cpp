#include "core/Settings.h"

namespace quillet {

const std::array<SettingField, kSettingCount> kSettingFields = {{
    {"chkSendEmail", &Settings::chkSendEmail},
    {"txtEmailRecipient", &Settings::txtEmailRecipient},
    {"txtSMTPServer", &Settings::txtSMTPServer},
    {"txtSMTPport", &Settings::txtSMTPport},
    {"txtEmailFrom", &Settings::txtEmailFrom},
    {"chkAuthentication", &Settings::chkAuthentication},
    {"txtSMTPuser", &Settings::txtSMTPuser},
    {"txtSMTPpassword", &Settings::txtSMTPpassword},
    {"chkUploadFile", &Settings::chkUploadFile},
    {"txtFileName", &Settings::txtFileName},
    {"txtFTPserver", &Settings::txtFTPserver},
    {"txtFTPport", &Settings::txtFTPport},
    {"txtFTPusername", &Settings::txtFTPusername},
    {"txtFTPpassword", &Settings::txtFTPpassword},
    {"txtFTPpath", &Settings::txtFTPpath},
    {"chkUpdateDynDNS", &Settings::chkUpdateDynDNS},
    {"txtDDNSusername", &Settings::txtDDNSusername},
    {"txtDDNSpassword", &Settings::txtDDNSpassword},
    {"txtDDNShostname", &Settings::txtDDNShostname},
    {"chkExecuteURL", &Settings::chkExecuteURL},
    {"txtExecuteURL", &Settings::txtExecuteURL},
    {"cboSMTPSecurity", &Settings::cboSMTPSecurity},
    {"chkFTPS", &Settings::chkFTPS},
    {"cboDDNSservice", &Settings::cboDDNSservice},
    {"chkDDNShttps", &Settings::chkDDNShttps},
}};

} // namespace quillet
