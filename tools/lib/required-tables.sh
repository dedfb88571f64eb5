# Tables that the controller database dravon.db must hold. Source this file
# to get them in the array REQUIRED_TABLES. sqlite_sequence is SQLite's own
# table: it exists once a table with AUTOINCREMENT has received a row, so it
# is never created by name.
# shellcheck shell=bash disable=SC2034
REQUIRED_TABLES=(
  log_content_t io_params_t system_log_t ethernet_ip_io_params_t
  global_variables_t panasonic_error_map_t profinet_io_params_t
  material_pallet_conf_t tronix_error_map_t wobj_t load_t task_t
  sqlite_sequence frame_t tool_t user_t carving_machine_robtarget_t
  tsinodynatron_error_map_t adtech_error_map_t robot_ontology_params_t
  collision_detection_params_t signal_content_t conveyors_params_t
  pallet_conf_t track_params_t workbench_t carving_machine_time_t
  system_variable_t system_io_params_t force_control_params_t serial_para_t
)
