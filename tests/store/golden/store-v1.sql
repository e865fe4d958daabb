-- The schema of store version 1 as it was first released, kept to check
-- that a fresh store has this layout plus the migrations since.
PRAGMA journal_mode = WAL;
CREATE TABLE calendar (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  profile INTEGER NOT NULL,
  calendar_type INTEGER NOT NULL,
  deleted_mark INTEGER NOT NULL,
  summary TEXT NOT NULL,
  description TEXT NOT NULL,
  color TEXT NOT NULL,
  location TEXT NOT NULL,
  start_time REAL, start_time_status INTEGER NOT NULL,
  end_time REAL, end_time_status INTEGER NOT NULL,
  due_date REAL, due_date_status INTEGER NOT NULL,
  all_day INTEGER NOT NULL,
  completed INTEGER NOT NULL,
  priority INTEGER NOT NULL,
  alarm_type INTEGER NOT NULL,
  alarm_minutes INTEGER NOT NULL,
  alarm_time REAL, alarm_time_status INTEGER NOT NULL);
CREATE INDEX calendar_by_profile ON calendar(profile, calendar_type);
CREATE TABLE contact (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  profile INTEGER NOT NULL,
  first_name TEXT NOT NULL,
  last_name TEXT NOT NULL,
  job_title TEXT NOT NULL);
CREATE INDEX contact_by_profile ON contact(profile);
CREATE TABLE contact_organization (
  contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  type INTEGER NOT NULL,
  company TEXT NOT NULL,
  department TEXT NOT NULL,
  title TEXT NOT NULL,
  PRIMARY KEY (contact_id, seq)) WITHOUT ROWID;
CREATE TABLE contact_telephone (
  contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  type INTEGER NOT NULL,
  number TEXT NOT NULL,
  PRIMARY KEY (contact_id, seq)) WITHOUT ROWID;
CREATE TABLE contact_email (
  contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  type INTEGER NOT NULL,
  address TEXT NOT NULL,
  PRIMARY KEY (contact_id, seq)) WITHOUT ROWID;
CREATE TABLE contact_url (
  contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  type INTEGER NOT NULL,
  url TEXT NOT NULL,
  PRIMARY KEY (contact_id, seq)) WITHOUT ROWID;
CREATE TABLE contact_address (
  contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  type INTEGER NOT NULL,
  street TEXT NOT NULL,
  city TEXT NOT NULL,
  state TEXT NOT NULL,
  zip TEXT NOT NULL,
  country TEXT NOT NULL,
  PRIMARY KEY (contact_id, seq)) WITHOUT ROWID;
CREATE TABLE contact_comment (
  contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  text TEXT NOT NULL,
  PRIMARY KEY (contact_id, seq)) WITHOUT ROWID;
CREATE TABLE contact_event (
  contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  date REAL, date_status INTEGER NOT NULL,
  PRIMARY KEY (contact_id, seq)) WITHOUT ROWID;
CREATE TABLE contact_group (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  profile INTEGER NOT NULL,
  name TEXT NOT NULL);
CREATE INDEX contact_group_by_profile ON contact_group(profile);
CREATE TABLE contact_group_pair (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
  group_id INTEGER NOT NULL REFERENCES contact_group(id) ON DELETE CASCADE);
CREATE INDEX contact_group_pair_by_contact ON contact_group_pair(contact_id);
CREATE INDEX contact_group_pair_by_group ON contact_group_pair(group_id);
CREATE TABLE message (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  profile INTEGER NOT NULL,
  box INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  content TEXT NOT NULL,
  message_time REAL, message_time_status INTEGER NOT NULL);
CREATE INDEX message_by_profile ON message(profile);
CREATE TABLE message_number (
  message_id INTEGER NOT NULL REFERENCES message(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  party_type INTEGER NOT NULL,
  number TEXT NOT NULL,
  PRIMARY KEY (message_id, seq)) WITHOUT ROWID;
CREATE TABLE email (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  profile INTEGER NOT NULL,
  box INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  title TEXT NOT NULL,
  content TEXT NOT NULL,
  message_time REAL, message_time_status INTEGER NOT NULL);
CREATE INDEX email_by_profile ON email(profile);
CREATE TABLE email_address (
  email_id INTEGER NOT NULL REFERENCES email(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  party_type INTEGER NOT NULL,
  address TEXT NOT NULL,
  PRIMARY KEY (email_id, seq)) WITHOUT ROWID;
PRAGMA user_version = 1;
