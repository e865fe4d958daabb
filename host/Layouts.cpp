// The layouts and words of other programs' files, as their programs write
// them. The header rows are those the programs' exports carry; where a
// program spells a column two ways in different versions both are listed
// (the first found in a file wins).
#include "host/Layouts_p.h"

#include "platform/CString.h"

#include <unicode/uchar.h>

namespace varno::host::detail {

namespace {

// A desktop mail program's address book holds more telephones than a
// contact has columns for: those of a kind beyond its columns are listed
// with the kind's first column and become entries of that kind, as do the
// second and third lines of a street, which join its first.
const std::vector<HostLayout> kLayouts = {
    {
        "the contacts export of a web mail service",
        "contact",
        {u"Given Name", u"Family Name", u"Group Membership"},
        {{u"Given Name", u"FIRST_NAME"}, {u"Family Name", u"LAST_NAME"}, {u"Birthday", u"BIRTHDAY"},
         {u"Notes", u"NOTE"}},
        u"Group Membership",
        {u" ::: "},
        true,
        u"Name",
        {},
        true,
    },
    {
        "the contacts export of a web mail service (its newer layout)",
        "contact",
        {u"First Name", u"Last Name", u"Labels"},
        {{u"First Name", u"FIRST_NAME"},
         {u"Last Name", u"LAST_NAME"},
         {u"Organization Name", u"COMPANY"},
         {u"Organization Title", u"JOB_TITLE"},
         {u"Organization Department", u"DEPARTMENT"},
         {u"Birthday", u"BIRTHDAY"},
         {u"Notes", u"NOTE"}},
        u"Labels",
        {u" ::: "},
        true,
        {},
        {},
        true,
    },
    {
        "the address book of a desktop mail program",
        "contact",
        {u"First Name", u"Last Name", u"Business Street", u"Categories"},
        {{u"First Name", u"FIRST_NAME"},
         {u"Last Name", u"LAST_NAME"},
         {u"Job Title", u"JOB_TITLE"},
         {u"Department", u"DEPARTMENT"},
         {u"Company", u"COMPANY"},
         {u"Business Phone", u"TEL_WORK1"},
         {u"Business Phone 2", u"TEL_WORK2"},
         {u"Home Phone", u"TEL_HOME1"},
         {u"Home Phone 2", u"TEL_HOME2"},
         {u"Mobile Phone", u"TEL_MOBILE1"},
         {u"Business Fax", u"TEL_FAX1"},
         {u"Home Fax", u"TEL_FAX2"},
         {u"Other Fax", u"TEL_FAX2"},
         {u"Other Phone", u"TEL_OTHER1"},
         {u"Primary Phone", u"TEL_OTHER1"},
         {u"Company Main Phone", u"TEL_OTHER1"},
         {u"Assistant's Phone", u"TEL_OTHER1"},
         {u"Callback", u"TEL_OTHER1"},
         {u"Car Phone", u"TEL_OTHER1"},
         {u"ISDN", u"TEL_OTHER1"},
         {u"Radio Phone", u"TEL_OTHER1"},
         {u"TTY/TDD Phone", u"TEL_OTHER1"},
         {u"Pager", u"TEL_OTHER1"},
         {u"Telex", u"TEL_OTHER1"},
         {u"E-mail Address", u"EMAIL_HOME"},
         {u"E-mail 2 Address", u"EMAIL_WORK"},
         {u"E-mail 3 Address", u"EMAIL_OTHER"},
         {u"Web Page", u"URL_WORK"},
         {u"Birthday", u"BIRTHDAY"},
         {u"Anniversary", u"ANNIVERSARY"},
         {u"Business Street", u"ADR_WORK_STREET"},
         {u"Business Street 2", u"ADR_WORK_STREET"},
         {u"Business Street 3", u"ADR_WORK_STREET"},
         {u"Business City", u"ADR_WORK_CITY"},
         {u"Business State", u"ADR_WORK_STATE"},
         {u"Business Postal Code", u"ADR_WORK_ZIP"},
         {u"Business Country/Region", u"ADR_WORK_COUNTRY"},
         {u"Home Street", u"ADR_HOME_STREET"},
         {u"Home Street 2", u"ADR_HOME_STREET"},
         {u"Home Street 3", u"ADR_HOME_STREET"},
         {u"Home City", u"ADR_HOME_CITY"},
         {u"Home State", u"ADR_HOME_STATE"},
         {u"Home Postal Code", u"ADR_HOME_ZIP"},
         {u"Home Country/Region", u"ADR_HOME_COUNTRY"},
         {u"Other Street", u"ADR_OTHER_STREET"},
         {u"Other Street 2", u"ADR_OTHER_STREET"},
         {u"Other Street 3", u"ADR_OTHER_STREET"},
         {u"Other City", u"ADR_OTHER_CITY"},
         {u"Other State", u"ADR_OTHER_STATE"},
         {u"Other Postal Code", u"ADR_OTHER_ZIP"},
         {u"Other Country/Region", u"ADR_OTHER_COUNTRY"},
         {u"Notes", u"NOTE"}},
        u"Categories",
        {u";"},
        false,
        {},
        {},
        false,
        {{u"Gender", u"Unspecified"}, {u"Priority", u"Normal"}, {u"Private", u"False"}, {u"Sensitivity", u"Normal"},
         {u"E-mail Type", u"SMTP"}, {u"E-mail 2 Type", u"SMTP"}, {u"E-mail 3 Type", u"SMTP"}},
    },
    {
        "the address book of a desktop mail program, in German",
        "contact",
        {u"Vorname", u"Nachname", u"Straße geschäftlich", u"Kategorien"},
        {{u"Vorname", u"FIRST_NAME"},
         {u"Nachname", u"LAST_NAME"},
         {u"Position", u"JOB_TITLE"},
         {u"Abteilung", u"DEPARTMENT"},
         {u"Firma", u"COMPANY"},
         {u"Telefon geschäftlich", u"TEL_WORK1"},
         {u"Telefon geschäftlich 2", u"TEL_WORK2"},
         {u"Telefon privat", u"TEL_HOME1"},
         {u"Telefon (privat)", u"TEL_HOME1"},
         {u"Telefon privat 2", u"TEL_HOME2"},
         {u"Telefon (privat 2)", u"TEL_HOME2"},
         {u"Mobiltelefon", u"TEL_MOBILE1"},
         {u"Fax geschäftlich", u"TEL_FAX1"},
         {u"Fax privat", u"TEL_FAX2"},
         {u"Weiteres Fax", u"TEL_FAX2"},
         {u"Weiteres Telefon", u"TEL_OTHER1"},
         {u"Haupttelefon", u"TEL_OTHER1"},
         {u"Telefon Firma", u"TEL_OTHER1"},
         {u"Telefon Assistent", u"TEL_OTHER1"},
         {u"Rückmeldung", u"TEL_OTHER1"},
         {u"Autotelefon", u"TEL_OTHER1"},
         {u"ISDN", u"TEL_OTHER1"},
         {u"Mobiltelefon 2", u"TEL_OTHER1"}, // the radio phone, not a second mobile
         {u"Telefon für Hörbehinderte", u"TEL_OTHER1"},
         {u"Pager", u"TEL_OTHER1"},
         {u"Telex", u"TEL_OTHER1"},
         {u"E-Mail-Adresse", u"EMAIL_HOME"},
         {u"E-Mail 2: Adresse", u"EMAIL_WORK"},
         {u"E-Mail 3: Adresse", u"EMAIL_OTHER"},
         {u"Webseite", u"URL_WORK"},
         {u"Geburtstag", u"BIRTHDAY"},
         {u"Jahrestag", u"ANNIVERSARY"},
         {u"Straße geschäftlich", u"ADR_WORK_STREET"},
         {u"Straße geschäftlich 2", u"ADR_WORK_STREET"},
         {u"Straße geschäftlich 3", u"ADR_WORK_STREET"},
         {u"Ort geschäftlich", u"ADR_WORK_CITY"},
         {u"Region geschäftlich", u"ADR_WORK_STATE"},
         {u"Postleitzahl geschäftlich", u"ADR_WORK_ZIP"},
         {u"Land/Region geschäftlich", u"ADR_WORK_COUNTRY"},
         {u"Straße privat", u"ADR_HOME_STREET"},
         {u"Straße privat 2", u"ADR_HOME_STREET"},
         {u"Straße privat 3", u"ADR_HOME_STREET"},
         {u"Ort privat", u"ADR_HOME_CITY"},
         {u"Bundesland/Kanton privat", u"ADR_HOME_STATE"},
         {u"Postleitzahl privat", u"ADR_HOME_ZIP"},
         {u"Land/Region privat", u"ADR_HOME_COUNTRY"},
         {u"Weitere Straße", u"ADR_OTHER_STREET"},
         {u"Weitere Straße 2", u"ADR_OTHER_STREET"},
         {u"Weitere Straße 3", u"ADR_OTHER_STREET"},
         {u"Weiterer Ort", u"ADR_OTHER_CITY"},
         {u"Weiteres/r Bundesland/Kanton", u"ADR_OTHER_STATE"},
         {u"Weitere Postleitzahl", u"ADR_OTHER_ZIP"},
         {u"Weiteres/e Land/Region", u"ADR_OTHER_COUNTRY"},
         {u"Notizen", u"NOTE"}},
        u"Kategorien",
        {u";"},
        false,
        {},
        {},
        false,
        {{u"Geschlecht", u"Keine Angabe"}, {u"Priorität", u"Normal"}, {u"Privat", u"Aus"},
         {u"Vertraulichkeit", u"Normal"}, {u"E-Mail-Typ", u"SMTP"}, {u"E-Mail 2: Typ", u"SMTP"},
         {u"E-Mail 3: Typ", u"SMTP"}},
    },
    {
        "the address book of a desktop mail program, in French",
        "contact",
        {u"Prénom", u"Nom", u"Catégories"},
        {{u"Prénom", u"FIRST_NAME"},
         {u"Nom", u"LAST_NAME"},
         {u"Service", u"DEPARTMENT"},
         {u"Société", u"COMPANY"},
         {u"Téléphone (bureau)", u"TEL_WORK1"},
         {u"Téléphone 2 (bureau)", u"TEL_WORK2"},
         {u"Téléphone (domicile)", u"TEL_HOME1"},
         {u"Téléphone 2 (domicile)", u"TEL_HOME2"},
         {u"Tél. mobile", u"TEL_MOBILE1"},
         {u"Télécopie (bureau)", u"TEL_FAX1"},
         {u"Télécopie (domicile)", u"TEL_FAX2"},
         {u"Télécopie (autre)", u"TEL_FAX2"},
         {u"Téléphone (autre)", u"TEL_OTHER1"},
         {u"Téléphone principal", u"TEL_OTHER1"},
         {u"Téléphone société", u"TEL_OTHER1"},
         {u"Téléphone de l'assistant(e)", u"TEL_OTHER1"},
         {u"Rappel", u"TEL_OTHER1"},
         {u"Téléphone (voiture)", u"TEL_OTHER1"},
         {u"RNIS", u"TEL_OTHER1"},
         {u"Radiotéléphone", u"TEL_OTHER1"},
         {u"Radio téléphone", u"TEL_OTHER1"},
         {u"Téléphone TDD/TTY", u"TEL_OTHER1"},
         {u"Récepteur de radiomessagerie", u"TEL_OTHER1"},
         {u"Télex", u"TEL_OTHER1"},
         {u"Adresse de courrier", u"EMAIL_HOME"},
         {u"Adresse de messagerie", u"EMAIL_HOME"},
         {u"Adresse de courrier 2", u"EMAIL_WORK"},
         {u"Adresse de messagerie 2", u"EMAIL_WORK"},
         {u"Adresse de courrier 3", u"EMAIL_OTHER"},
         {u"Adresse de messagerie 3", u"EMAIL_OTHER"},
         {u"Page web", u"URL_WORK"},
         {u"Anniversaire", u"BIRTHDAY"}, // the birthday; the anniversary is the next one
         {u"Anniversaire de mariage ou fête", u"ANNIVERSARY"},
         {u"Rue (bureau)", u"ADR_WORK_STREET"},
         {u"Rue (bureau) 2", u"ADR_WORK_STREET"},
         {u"Rue (bureau) 3", u"ADR_WORK_STREET"},
         {u"Ville (bureau)", u"ADR_WORK_CITY"},
         {u"Dép/Région (bureau)", u"ADR_WORK_STATE"},
         {u"Code postal (bureau)", u"ADR_WORK_ZIP"},
         {u"Pays/Région (bureau)", u"ADR_WORK_COUNTRY"},
         {u"Pays (bureau)", u"ADR_WORK_COUNTRY"},
         {u"Rue (domicile)", u"ADR_HOME_STREET"},
         {u"Rue (domicile) 2", u"ADR_HOME_STREET"},
         {u"Rue (domicile) 3", u"ADR_HOME_STREET"},
         {u"Ville (domicile)", u"ADR_HOME_CITY"},
         {u"Dép/Région (domicile)", u"ADR_HOME_STATE"},
         {u"Code postal (domicile)", u"ADR_HOME_ZIP"},
         {u"Pays/Région (domicile)", u"ADR_HOME_COUNTRY"},
         {u"Pays (domicile)", u"ADR_HOME_COUNTRY"},
         {u"Rue (autre)", u"ADR_OTHER_STREET"},
         {u"Rue (autre) 2", u"ADR_OTHER_STREET"},
         {u"Rue (autre) 3", u"ADR_OTHER_STREET"},
         {u"Ville (autre)", u"ADR_OTHER_CITY"},
         {u"Dép/Région (autre)", u"ADR_OTHER_STATE"},
         {u"Code postal (autre)", u"ADR_OTHER_ZIP"},
         {u"Pays/Région (autre)", u"ADR_OTHER_COUNTRY"},
         {u"Pays (autre)", u"ADR_OTHER_COUNTRY"},
         {u"Notes", u"NOTE"}},
        u"Catégories",
        {u";"},
        false,
        {},
        {},
        false,
        {{u"Sexe", u"Non spécifié"}, {u"Priorité", u"Normale"}, {u"Privé", u"Faux"},
         {u"Critère de diffusion", u"Normal"}, {u"Type de courrier", u"SMTP"}, {u"Type de courrier 2", u"SMTP"},
         {u"Type de courrier 3", u"SMTP"}, {u"Type de messagerie", u"SMTP"}},
    },
    {
        "the address book of a mail client",
        "contact",
        {u"First Name", u"Last Name", u"Display Name", u"Primary Email"},
        {{u"First Name", u"FIRST_NAME"},
         {u"Last Name", u"LAST_NAME"},
         {u"Job Title", u"JOB_TITLE"},
         {u"Department", u"DEPARTMENT"},
         {u"Organization", u"COMPANY"},
         {u"Organisation", u"COMPANY"},
         {u"Work Phone", u"TEL_WORK1"},
         {u"Home Phone", u"TEL_HOME1"},
         {u"Mobile Number", u"TEL_MOBILE1"},
         {u"Fax Number", u"TEL_FAX1"},
         {u"Pager Number", u"TEL_OTHER1"},
         {u"Primary Email", u"EMAIL_HOME"},
         {u"Secondary Email", u"EMAIL_WORK"},
         {u"Web Page 1", u"URL_WORK"},
         {u"Web Page 2", u"URL_HOME"},
         {u"Work Address", u"ADR_WORK_STREET"},
         {u"Work Address 2", u"ADR_WORK_STREET"},
         {u"Work City", u"ADR_WORK_CITY"},
         {u"Work State", u"ADR_WORK_STATE"},
         {u"Work County", u"ADR_WORK_STATE"},
         {u"Work ZipCode", u"ADR_WORK_ZIP"},
         {u"Work Post Code", u"ADR_WORK_ZIP"},
         {u"Work Country", u"ADR_WORK_COUNTRY"},
         {u"Home Address", u"ADR_HOME_STREET"},
         {u"Home Address 2", u"ADR_HOME_STREET"},
         {u"Home City", u"ADR_HOME_CITY"},
         {u"Home State", u"ADR_HOME_STATE"},
         {u"Home County", u"ADR_HOME_STATE"},
         {u"Home ZipCode", u"ADR_HOME_ZIP"},
         {u"Home Post Code", u"ADR_HOME_ZIP"},
         {u"Home Country", u"ADR_HOME_COUNTRY"},
         {u"Notes", u"NOTE"}},
        {},
        {},
        false,
        u"Display Name",
        {u"Birth Year", u"Birth Month", u"Birth Day"},
    },
    {
        "the address book of a mail client, in German",
        "contact",
        {u"Vorname", u"Nachname", u"Anzeigename", u"Primäre E-Mail-Adresse"},
        {{u"Vorname", u"FIRST_NAME"},
         {u"Nachname", u"LAST_NAME"},
         {u"Arbeitstitel", u"JOB_TITLE"},
         {u"Abteilung", u"DEPARTMENT"},
         {u"Organisation", u"COMPANY"},
         {u"Tel. dienstlich", u"TEL_WORK1"},
         {u"Tel. privat", u"TEL_HOME1"},
         {u"Mobil-Tel.-Nr.", u"TEL_MOBILE1"},
         {u"Fax-Nummer", u"TEL_FAX1"},
         {u"Pager-Nummer", u"TEL_OTHER1"},
         {u"Primäre E-Mail-Adresse", u"EMAIL_HOME"},
         {u"Sekundäre E-Mail-Adresse", u"EMAIL_WORK"},
         {u"Webseite 1", u"URL_WORK"},
         {u"Webseite 2", u"URL_HOME"},
         {u"Dienstlich: Adresse", u"ADR_WORK_STREET"},
         {u"Dienstlich: Adresse 2", u"ADR_WORK_STREET"},
         {u"Dienstlich: Ort", u"ADR_WORK_CITY"},
         {u"Dienstlich: Bundesland", u"ADR_WORK_STATE"},
         {u"Dienstlich: PLZ", u"ADR_WORK_ZIP"},
         {u"Dienstlich: Land", u"ADR_WORK_COUNTRY"},
         {u"Privat: Adresse", u"ADR_HOME_STREET"},
         {u"Privat: Adresse 2", u"ADR_HOME_STREET"},
         {u"Privat: Ort", u"ADR_HOME_CITY"},
         {u"Privat: Bundesland", u"ADR_HOME_STATE"},
         {u"Privat: PLZ", u"ADR_HOME_ZIP"},
         {u"Privat: Land", u"ADR_HOME_COUNTRY"},
         {u"Notizen", u"NOTE"}},
        {},
        {},
        false,
        u"Anzeigename",
        {u"Geburtsjahr", u"Geburtsmonat", u"Geburtstag"}, // Geburtstag: the day of the month here
    },
};

using Words = std::vector<ColumnName>;

// Words of hand-made spreadsheets, English, German and French. A word that
// means different things in different files ("Title": a job or "Dr";
// "Name": a whole name or the last one) is not among them.
const Words kContactWords = {
    {u"First Name", u"FIRST_NAME"},    {u"First", u"FIRST_NAME"},          {u"Given Name", u"FIRST_NAME"},
    {u"Forename", u"FIRST_NAME"},      {u"Vorname", u"FIRST_NAME"},        {u"Rufname", u"FIRST_NAME"},
    {u"Prénom", u"FIRST_NAME"},        {u"Last Name", u"LAST_NAME"},       {u"Last", u"LAST_NAME"},
    {u"Surname", u"LAST_NAME"},        {u"Family Name", u"LAST_NAME"},     {u"Nachname", u"LAST_NAME"},
    {u"Familienname", u"LAST_NAME"},   {u"Zuname", u"LAST_NAME"},          {u"Nom de famille", u"LAST_NAME"},
    {u"Job Title", u"JOB_TITLE"},      {u"Position", u"JOB_TITLE"},        {u"Role", u"JOB_TITLE"},
    {u"Funktion", u"JOB_TITLE"},       {u"Rolle", u"JOB_TITLE"},           {u"Arbeitstitel", u"JOB_TITLE"},
    {u"Fonction", u"JOB_TITLE"},       {u"Department", u"DEPARTMENT"},     {u"Dept", u"DEPARTMENT"},
    {u"Abteilung", u"DEPARTMENT"},     {u"Company", u"COMPANY"},
    {u"Organization", u"COMPANY"},     {u"Organisation", u"COMPANY"},      {u"Firm", u"COMPANY"},
    {u"Firma", u"COMPANY"},            {u"Unternehmen", u"COMPANY"},
    {u"Firmenname", u"COMPANY"},       {u"Société", u"COMPANY"},           {u"Entreprise", u"COMPANY"},
    {u"Work Phone", u"TEL_WORK1"},     {u"Business Phone", u"TEL_WORK1"},  {u"Office Phone", u"TEL_WORK1"},
    {u"Telefon geschäftlich", u"TEL_WORK1"}, {u"Telefon dienstlich", u"TEL_WORK1"},
    {u"Telefon Büro", u"TEL_WORK1"},   {u"Téléphone bureau", u"TEL_WORK1"}, {u"Home Phone", u"TEL_HOME1"},
    {u"Private Phone", u"TEL_HOME1"},  {u"Telefon privat", u"TEL_HOME1"},  {u"Festnetz privat", u"TEL_HOME1"},
    {u"Téléphone domicile", u"TEL_HOME1"}, {u"Mobile", u"TEL_MOBILE1"},    {u"Mobile Phone", u"TEL_MOBILE1"},
    {u"Mobile Number", u"TEL_MOBILE1"}, {u"Cell", u"TEL_MOBILE1"},         {u"Cell Phone", u"TEL_MOBILE1"},
    {u"Cellphone", u"TEL_MOBILE1"},    {u"Handy", u"TEL_MOBILE1"},         {u"Mobil", u"TEL_MOBILE1"},
    {u"Mobiltelefon", u"TEL_MOBILE1"}, {u"Mobilnummer", u"TEL_MOBILE1"},   {u"Natel", u"TEL_MOBILE1"},
    {u"Portable", u"TEL_MOBILE1"},     {u"Tél. mobile", u"TEL_MOBILE1"},   {u"Fax", u"TEL_FAX1"},
    {u"Fax Number", u"TEL_FAX1"},      {u"Facsimile", u"TEL_FAX1"},        {u"Telefax", u"TEL_FAX1"},
    {u"Faxnummer", u"TEL_FAX1"},       {u"Télécopie", u"TEL_FAX1"},        {u"Phone", u"TEL_OTHER1"},
    {u"Telephone", u"TEL_OTHER1"},     {u"Tel", u"TEL_OTHER1"},            {u"Phone Number", u"TEL_OTHER1"},
    {u"Telefon", u"TEL_OTHER1"},       {u"Telefonnummer", u"TEL_OTHER1"},  {u"Rufnummer", u"TEL_OTHER1"},
    {u"Festnetz", u"TEL_OTHER1"},      {u"Téléphone", u"TEL_OTHER1"},      {u"E-mail", u"EMAIL_HOME"},
    {u"Mail", u"EMAIL_HOME"},          {u"E-mail Address", u"EMAIL_HOME"}, {u"E-Mail-Adresse", u"EMAIL_HOME"},
    {u"Mailadresse", u"EMAIL_HOME"},   {u"Courriel", u"EMAIL_HOME"},       {u"Adresse e-mail", u"EMAIL_HOME"},
    {u"Work E-mail", u"EMAIL_WORK"},   {u"Business E-mail", u"EMAIL_WORK"}, {u"E-Mail geschäftlich", u"EMAIL_WORK"},
    {u"Website", u"URL_WORK"},         {u"Web Page", u"URL_WORK"},         {u"Web", u"URL_WORK"},
    {u"URL", u"URL_WORK"},             {u"Homepage", u"URL_WORK"},         {u"Webseite", u"URL_WORK"},
    {u"Internetseite", u"URL_WORK"},   {u"Site web", u"URL_WORK"},         {u"Street", u"ADR_HOME_STREET"},
    {u"Address", u"ADR_HOME_STREET"},  {u"Straße", u"ADR_HOME_STREET"},    {u"Strasse", u"ADR_HOME_STREET"},
    {u"Adresse", u"ADR_HOME_STREET"},  {u"Anschrift", u"ADR_HOME_STREET"}, {u"Rue", u"ADR_HOME_STREET"},
    {u"City", u"ADR_HOME_CITY"},       {u"Town", u"ADR_HOME_CITY"},        {u"Ort", u"ADR_HOME_CITY"},
    {u"Stadt", u"ADR_HOME_CITY"},      {u"Wohnort", u"ADR_HOME_CITY"},     {u"Ville", u"ADR_HOME_CITY"},
    {u"State", u"ADR_HOME_STATE"},     {u"Region", u"ADR_HOME_STATE"},     {u"County", u"ADR_HOME_STATE"},
    {u"Province", u"ADR_HOME_STATE"},  {u"Bundesland", u"ADR_HOME_STATE"}, {u"Kanton", u"ADR_HOME_STATE"},
    {u"Zip", u"ADR_HOME_ZIP"},         {u"Zip Code", u"ADR_HOME_ZIP"},     {u"Postal Code", u"ADR_HOME_ZIP"},
    {u"Postcode", u"ADR_HOME_ZIP"},    {u"PLZ", u"ADR_HOME_ZIP"},          {u"Postleitzahl", u"ADR_HOME_ZIP"},
    {u"Code postal", u"ADR_HOME_ZIP"}, {u"Country", u"ADR_HOME_COUNTRY"},  {u"Land", u"ADR_HOME_COUNTRY"},
    {u"Pays", u"ADR_HOME_COUNTRY"},    {u"Birthday", u"BIRTHDAY"},         {u"Birth Date", u"BIRTHDAY"},
    {u"Birthdate", u"BIRTHDAY"},       {u"Date of Birth", u"BIRTHDAY"},    {u"DOB", u"BIRTHDAY"},
    {u"Geburtstag", u"BIRTHDAY"},      {u"Geburtsdatum", u"BIRTHDAY"},     {u"Date de naissance", u"BIRTHDAY"},
    {u"Anniversary", u"ANNIVERSARY"},  {u"Jahrestag", u"ANNIVERSARY"},     {u"Hochzeitstag", u"ANNIVERSARY"},
    {u"Notes", u"NOTE"},               {u"Note", u"NOTE"},                 {u"Comment", u"NOTE"},
    {u"Comments", u"NOTE"},            {u"Remarks", u"NOTE"},              {u"Notizen", u"NOTE"},
    {u"Notiz", u"NOTE"},               {u"Bemerkung", u"NOTE"},            {u"Bemerkungen", u"NOTE"},
    {u"Kommentar", u"NOTE"},           {u"Anmerkung", u"NOTE"},            {u"Remarque", u"NOTE"},
    {u"Group", u"GROUP_NAME"},         {u"Groups", u"GROUP_NAME"},         {u"Category", u"GROUP_NAME"},
    {u"Categories", u"GROUP_NAME"},    {u"Tags", u"GROUP_NAME"},           {u"Labels", u"GROUP_NAME"},
    {u"Gruppe", u"GROUP_NAME"},        {u"Gruppen", u"GROUP_NAME"},        {u"Kategorie", u"GROUP_NAME"},
    {u"Kategorien", u"GROUP_NAME"},    {u"Groupe", u"GROUP_NAME"},         {u"Catégories", u"GROUP_NAME"},
};

const Words kCalendarWords = {
    {u"Subject", u"summary"},     {u"Title", u"summary"},        {u"Event", u"summary"},
    {u"Betreff", u"summary"},     {u"Titel", u"summary"},        {u"Termin", u"summary"},
    {u"Start Date", u"start_time"}, {u"Start", u"start_time"},   {u"Begin", u"start_time"},
    {u"Beginn", u"start_time"},   {u"Startdatum", u"start_time"}, {u"End Date", u"end_time"},
    {u"End", u"end_time"},        {u"Ende", u"end_time"},        {u"Enddatum", u"end_time"},
    {u"All Day Event", u"allday"}, {u"All Day", u"allday"},      {u"Ganztägig", u"allday"},
    {u"Description", u"description"}, {u"Notes", u"description"}, {u"Beschreibung", u"description"},
    {u"Notizen", u"description"}, {u"Location", u"location"},    {u"Place", u"location"},
    {u"Where", u"location"},      {u"Ort", u"location"},
};

const Words kTodoWords = {
    {u"Subject", u"summary"},       {u"Title", u"summary"},           {u"Task", u"summary"},
    {u"Betreff", u"summary"},       {u"Titel", u"summary"},           {u"Aufgabe", u"summary"},
    {u"Start Date", u"start_time"}, {u"Start", u"start_time"},        {u"Startdatum", u"start_time"},
    {u"Beginnt am", u"start_time"}, {u"Due Date", u"due_date"},       {u"Due", u"due_date"},
    {u"Deadline", u"due_date"},     {u"Fällig am", u"due_date"},      {u"Fälligkeitsdatum", u"due_date"},
    {u"Notes", u"description"},     {u"Description", u"description"}, {u"Notizen", u"description"},
    {u"Beschreibung", u"description"}, {u"% Complete", u"completed"}, {u"Status", u"completed"},
    {u"Done", u"completed"},        {u"Erledigt", u"completed"},      {u"Priority", u"priority"},
    {u"Priorität", u"priority"},
};

const Words kMemoWords = {
    {u"Note", u"memo"}, {u"Notes", u"memo"}, {u"Text", u"memo"}, {u"Notiz", u"memo"},
    {u"Colour", u"color"}, {u"Farbe", u"color"},
};

const Words kMessageWords = {
    {u"Message", u"content"}, {u"Text", u"content"}, {u"Body", u"content"}, {u"Nachricht", u"content"},
    {u"From", u"sender"},     {u"Sender", u"sender"}, {u"Von", u"sender"},  {u"Absender", u"sender"},
    {u"To", u"receiver"},     {u"Recipient", u"receiver"}, {u"An", u"receiver"}, {u"Empfänger", u"receiver"},
    {u"Date", u"time"},       {u"Datum", u"time"},
};

const Words kEmailWords = {
    {u"Subject", u"title"},  {u"Betreff", u"title"}, {u"Body", u"content"}, {u"Message", u"content"},
    {u"Text", u"content"},   {u"From", u"sender"},   {u"Von", u"sender"},   {u"To", u"receiver"},
    {u"An", u"receiver"},    {u"Cc", u"cc"},         {u"Bcc", u"bcc"},      {u"Date", u"time"},
    {u"Sent", u"time"},      {u"Datum", u"time"},
};

// A to-do's priority and completion as a task list of a desktop mail
// program writes them: the priority words as the store's numbers (1 high,
// 5 medium, 9 low), the status words and the percentages as done (6) or
// not (0).
const std::vector<ValueWord> kTodoValues = {
    {u"priority", u"High", u"1"},      {u"priority", u"Normal", u"5"},   {u"priority", u"Low", u"9"},
    {u"priority", u"Hoch", u"1"},      {u"priority", u"Niedrig", u"9"},  {u"priority", u"Haute", u"1"},
    {u"priority", u"Basse", u"9"},     {u"completed", u"Completed", u"6"}, {u"completed", u"Done", u"6"},
    {u"completed", u"Erledigt", u"6"}, {u"completed", u"Abgeschlossen", u"6"}, {u"completed", u"Terminée", u"6"},
    {u"completed", u"100%", u"6"},     {u"completed", u"1.000", u"6"},   {u"completed", u"True", u"6"},
    {u"completed", u"Not Started", u"0"}, {u"completed", u"In Progress", u"0"},
    {u"completed", u"Waiting on someone else", u"0"}, {u"completed", u"Deferred", u"0"},
    {u"completed", u"Nicht begonnen", u"0"}, {u"completed", u"In Bearbeitung", u"0"},
    {u"completed", u"Wartet auf jemand anderen", u"0"}, {u"completed", u"Zurückgestellt", u"0"},
    {u"completed", u"False", u"0"},
};

const Words kNone = {};
const std::vector<ValueWord> kNoValues = {};

} // namespace

const std::vector<HostLayout>& HostLayouts()
{
    return kLayouts;
}

const HostLayout* RecogniseHostLayout(const RecordType& type, const Header& header)
{
    for (const HostLayout& layout : kLayouts) {
        if (layout.type != type.name)
            continue;
        bool all = true;
        for (std::u16string_view name : layout.signature) {
            bool found = false;
            for (int i = 0; !found && i < header.names.GetSize(); ++i)
                found = std::u16string_view(header.Matched(i)) == name;
            all = all && found;
        }
        if (all)
            return &layout;
    }
    return nullptr;
}

const std::vector<ColumnName>& Synonyms(const RecordType& type)
{
    if (type.name == "contact")
        return kContactWords;
    if (type.name == "calendar")
        return kCalendarWords;
    if (type.name == "todo")
        return kTodoWords;
    if (type.name == "memo")
        return kMemoWords;
    if (type.name == "message")
        return kMessageWords;
    if (type.name == "email")
        return kEmailWords;
    return kNone;
}

const std::vector<std::u16string_view>& JoinedFields(const RecordType& type)
{
    static const std::vector<std::u16string_view> contact = {u"ADR_WORK_STREET", u"ADR_HOME_STREET",
                                                             u"ADR_OTHER_STREET"};
    static const std::vector<std::u16string_view> none;
    return type.name == "contact" ? contact : none;
}

const std::vector<std::u16string_view>& WholeNameWords(const RecordType& type)
{
    static const std::vector<std::u16string_view> contact = {
        u"FIRST_NAME", u"LAST_NAME", u"name", u"fullname", u"displayname", u"anzeigename", u"nomcomplet", u"nom"};
    static const std::vector<std::u16string_view> none;
    return type.name == "contact" ? contact : none;
}

const std::vector<ValueWord>& ValueWords(const RecordType& type)
{
    return type.name == "todo" ? kTodoValues : kNoValues;
}

std::u16string Normalised(std::u16string_view name)
{
    CString trimmed(name);
    trimmed.Trim();
    std::u16string folded;
    for (char16_t c : trimmed.str()) {
        if (std::u16string_view(u" -_.:/()'\u00A0").find(c) != std::u16string_view::npos)
            continue;
        folded += static_cast<char16_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
    }
    return folded;
}

} // namespace varno::host::detail
