-- Formelan: the office's shared address book on a PostgreSQL server.
--
-- Run once on the server, as a superuser (or a role with CREATEDB and CREATEROLE):
--     psql -h SERVER -U postgres -f postgresql-setup.sql
-- It makes the database, the two tables, and a group role with exactly the rights that
-- Formelan needs: read, add and delete rows of the two tables, nothing more. The names
-- can be changed on the command line:
--     psql ... -v book_db=formelan -v book_group=formelan_clerks -f postgresql-setup.sql
-- Running it again changes nothing that is already there.
--
-- Then give each clerk a login role in the group (postgresql.md says more):
--     CREATE ROLE ivana LOGIN IN ROLE formelan_clerks;
--     \password ivana

\set ON_ERROR_STOP on
\if :{?book_db}
\else
\set book_db formelan
\endif
\if :{?book_group}
\else
\set book_group formelan_clerks
\endif

-- The group that holds the rights; clerks log in as its members.
SELECT format('CREATE ROLE %I NOLOGIN', :'book_group')
WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = :'book_group') \gexec

SELECT format('CREATE DATABASE %I ENCODING ''UTF8'' TEMPLATE template0', :'book_db')
WHERE NOT EXISTS (SELECT FROM pg_database WHERE datname = :'book_db') \gexec

-- Only the group connects.
REVOKE ALL ON DATABASE :"book_db" FROM PUBLIC;
GRANT CONNECT ON DATABASE :"book_db" TO :"book_group";

\connect :"book_db"

-- Only the owner makes objects here (PostgreSQL 15 does so by default; earlier servers
-- let everyone).
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO :"book_group";

-- The tables as Formelan makes them itself when its role may: every value is text, an
-- empty field is an empty text, and the server gives each row a key that it never gives
-- again. The column names are the program's; it finds them by name.
CREATE TABLE IF NOT EXISTS "recipient" (
    "Име на получателя" text NOT NULL DEFAULT '',
    "ЕГН на упълномощеното лице" text NOT NULL DEFAULT '',
    "Документ за самоличност" text NOT NULL DEFAULT '',
    "Местно лице" text NOT NULL DEFAULT '',
    "Държава" text NOT NULL DEFAULT '',
    "Адрес" text NOT NULL DEFAULT '',
    "IBAN" text NOT NULL DEFAULT '',
    "BIC" text NOT NULL DEFAULT '',
    "Банка" text NOT NULL DEFAULT '',
    "party_id" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);

CREATE TABLE IF NOT EXISTS "depositor" (
    "Име на наредителя" text NOT NULL DEFAULT '',
    "Име на задълженото лице" text NOT NULL DEFAULT '',
    "ЕГН на задълженото лице" text NOT NULL DEFAULT '',
    "ЛНЧ на задълженото лице" text NOT NULL DEFAULT '',
    "БУЛСТАТ" text NOT NULL DEFAULT '',
    "Български гражданин" text NOT NULL DEFAULT '',
    "Държава" text NOT NULL DEFAULT '',
    "Адрес" text NOT NULL DEFAULT '',
    "БИК" text NOT NULL DEFAULT '',
    "IBAN" text NOT NULL DEFAULT '',
    "Обслужваща банка" text NOT NULL DEFAULT '',
    "Адрес на банката" text NOT NULL DEFAULT '',
    "Банков клон" text NOT NULL DEFAULT '',
    "party_id" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);

-- Read, add, delete; never change a row, the tables or anything else.
GRANT SELECT, INSERT, DELETE ON "recipient", "depositor" TO :"book_group";
-- Adding many rows at once (a CSV import, moving a book to the server) takes their keys
-- from the key's sequence first.
SELECT format('GRANT USAGE ON SEQUENCE %s, %s TO %I',
              pg_get_serial_sequence('recipient', 'party_id'),
              pg_get_serial_sequence('depositor', 'party_id'), :'book_group') \gexec
