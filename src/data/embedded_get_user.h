#pragma once
// GET_USER of the embedded server: the server-side sign-in check that the
// shared SQL Server does in its stored procedure of that name, here over the
// embedded database's own columns of QEL_User (password_md5, password_term,
// db_login, db_password, message, update_flag).
//
// Arguments: login, password digest, new-password digest or NULL, program,
// address, computer name, login, '0', length of the third argument's text.
// The one row: the per-user database login and password, shifted (each
// Windows-1251 character code minus one); the user id; the password term; the
// message (NULL when none); the update flag. The login and password are NULL
// unless the program will sign the user in or merely offer a new password:
// with a message, a term below 0 (a forced change) or an update flag of 2 or
// more they stay on the server. A wrong login or password gives a row whose
// message is "Неверный логин или пароль". A new-password digest with the right
// current password is stored and the term set to 90 days before the row is made.
void registerEmbeddedGetUser();
