#include "privilege_names.hpp"

static constexpr const char* capability_texts[] = {
	"cap_chown",
	"cap_dac_override",
	"cap_dac_read_search",
	"cap_fowner",
	"cap_fsetid",
	"cap_kill",
	"cap_setgid",
	"cap_setuid",
	"cap_setpcap",
	"cap_linux_immutable",
	"cap_net_bind_service",
	"cap_net_broadcast",
	"cap_net_admin",
	"cap_net_raw",
	"cap_ipc_lock",
	"cap_ipc_owner",
	"cap_sys_module",
	"cap_sys_rawio",
	"cap_sys_chroot",
	"cap_sys_ptrace",
	"cap_sys_pacct",
	"cap_sys_admin",
	"cap_sys_boot",
	"cap_sys_nice",
	"cap_sys_resource",
	"cap_sys_time",
	"cap_sys_tty_config",
	"cap_mknod",
	"cap_lease",
	"cap_audit_write",
	"cap_audit_control",
	"cap_setfcap",
	"cap_mac_override",
	"cap_mac_admin",
	"cap_syslog",
	"cap_wake_alarm",
	"cap_block_suspend",
	"cap_audit_read",
	"cap_perfmon",
	"cap_bpf",
	"cap_checkpoint_restore",
};
static_assert(sizeof capability_texts / sizeof *capability_texts == 41);

static constexpr const char* securebit_texts[] = {
	"noroot",
	"noroot_locked",
	"no_setuid_fixup",
	"no_setuid_fixup_locked",
	"keep_caps",
	"keep_caps_locked",
	"no_cap_ambient_raise",
	"no_cap_ambient_raise_locked",
	"exec_restrict_file",
	"exec_restrict_file_locked",
	"exec_deny_interactive",
	"exec_deny_interactive_locked",
};

static constexpr auto capabilities = names_packed<names_bytes(capability_texts)>(capability_texts);
static constexpr auto securebits = names_packed<names_bytes(securebit_texts)>(securebit_texts);

constexpr bit_names capability_names{capabilities.start, capabilities.text, 0, names_present(capability_texts, 0), "cap_"};
constexpr bit_names securebit_names{securebits.start, securebits.text, 0, names_present(securebit_texts, 0), "secure_"};
